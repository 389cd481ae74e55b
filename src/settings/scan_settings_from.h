#pragma once
// The settings a scan reads, taken from the settings record: one place for
// the window and vy-report alike.

#include "scan/scan_run.h"
#include "settings/settings.h"

namespace vy {

// The record's scan values, the texts as single bytes (Latin-1), with the
// date range the front end took (whole days).
ScanSettings ScanSettingsFrom(const Settings& settings, double initialDate, double finalDate);

}  // namespace vy
