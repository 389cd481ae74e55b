// Event Viewer "Save All Events As..." CSV.
#include "scan/forms/export_events.h"

namespace vy {

extern const LogFormEntry kEventViewerCsvForm{
    "Event Viewer CSV", [](std::string_view head) { return IsEventViewerHeader(head, ','); },
    [](FormReading& reading) { return ReadExportEvents(reading, ExportLayout::EventViewerCsv); }};

}  // namespace vy
