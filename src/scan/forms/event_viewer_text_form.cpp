// Event Viewer "Text (Tab delimited)".
#include "scan/forms/export_events.h"

namespace vy {

extern const LogFormEntry kEventViewerTextForm{
    "Event Viewer text", [](std::string_view head) { return IsEventViewerHeader(head, '\t'); },
    [](FormReading& reading) { return ReadExportEvents(reading, ExportLayout::EventViewerText); }};

}  // namespace vy
