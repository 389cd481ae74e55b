#include "scan/name_text.h"

#include <algorithm>

namespace vy {

namespace {
bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7F'; }
}  // namespace

bool HasControlCharacter(std::string_view text) { return std::any_of(text.begin(), text.end(), IsControl); }

void ReplaceControlCharacters(std::string& text) { std::replace_if(text.begin(), text.end(), IsControl, '?'); }

void MakeNamesData(ConnectionLine& line, NameRoom& room)
{
    std::string_view* names[] = {&line.Domain, &line.Server, &line.Port, &line.Speed};
    for (std::size_t i = 0; i < room.size(); ++i) {
        if (!HasControlCharacter(*names[i]))
            continue;
        room[i].assign(*names[i]);
        ReplaceControlCharacters(room[i]);
        *names[i] = room[i];
    }
    ReplaceControlCharacters(line.User);
}

}  // namespace vy
