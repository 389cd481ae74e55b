#pragma once
// Names read from the exports are data: a line break or another control
// character in one becomes "?" in the stores, as a character without a
// single-byte form does, so that no name can split or forge a line of a
// report. Shared by every reader whose names do not come from a classic
// line (which stays as it is read).

#include <array>
#include <string>
#include <string_view>

#include "scan/line_parser.h"

namespace vy {

// Room for the names that had to be changed; reused from one connection to
// the next.
using NameRoom = std::array<std::string, 4>;

bool HasControlCharacter(std::string_view text);
// text with each control character (below 0x20, and 0x7F) as "?".
void ReplaceControlCharacters(std::string& text);

// The names of line with control characters as "?": those holding one are
// copied into room and the views moved there. The user is changed in place.
void MakeNamesData(ConnectionLine& line, NameRoom& room);

}  // namespace vy
