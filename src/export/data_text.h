#pragma once
// The pieces of the data formats (CSV and JSON): report texts are
// single-byte, these formats are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

namespace vy {

// The Latin-1 text as UTF-8.
void AppendUtf8(std::string& out, std::string_view latin1);

// One CSV field in UTF-8, quoted (quotes doubled) when it holds a comma, a
// quote or a line break.
void AppendCsvField(std::string& out, std::string_view latin1);

// A JSON string in UTF-8 with its quotes; what JSON requires is escaped,
// and the C1 controls with it.
void AppendJsonString(std::string& out, std::string_view latin1);

void AppendInteger(std::string& out, std::int64_t value);

// A date-time value (days since 30 December 1899) as ISO 8601 to the
// minute, "1998-10-05T09:30", with ":SS" only when the seconds are not 0.
void AppendIsoDateTime(std::string& out, double value);

// True for a plain decimal integer: digits only, no leading zero, at most
// 18 digits. Such a text is written as a number where the column holds
// numbers (day numbers, speeds).
bool IsPlainInteger(std::string_view text);

}  // namespace vy
