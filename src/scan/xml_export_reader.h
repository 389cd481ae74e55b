#pragma once
// Reading the <Event> elements of an XML export (Event Viewer "Save as
// XML", wevtutil qe /f:xml or /f:RenderedXml): the event ID, the provider's
// Name, the Computer and the <Data> values of <EventData> in order, read
// through the insertion strings' mapping. Several <Event> elements without
// a common root are read as well. An export cut short or damaged is read
// up to the fault; an event of RemoteAccess with a listed ID that it cuts
// is counted as unread.

#include "scan/csv_export_reader.h"

namespace vy {

// Reads the whole file open in reader, nothing of it handed out yet. False
// when the sink said stop.
bool ReadXmlExport(LogReader& reader, const ExportReading& reading);

}  // namespace vy
