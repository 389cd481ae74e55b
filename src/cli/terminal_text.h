#pragma once
// Reports on a terminal: names are data there too. Every control character
// (C0, DEL and Latin-1's C1) shows as "?", so that a name can neither break
// a report's line nor steer the screen; a file keeps the bytes.

#include <string>
#include <string_view>

#include "reports/report_table.h"
#include "reports/report_tree.h"

namespace vy::cli {

bool HoldsControls(std::string_view latin1);
void MaskControls(std::string& latin1);

// Every caption and cell, those made on demand included.
void MaskControls(ReportTable& table);
void MaskControls(ReportTree& tree);

}  // namespace vy::cli
