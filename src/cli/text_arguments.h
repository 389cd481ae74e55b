#pragma once
// Texts between the terminal and the single-byte names of the logs: the
// arguments as typed, and the messages shown.

#include <string>
#include <string_view>

#include <QString>

namespace vy::cli {

// An argument as text: UTF-8 when its bytes are valid UTF-8, otherwise each
// byte one single-byte (Latin-1) character.
QString DecodeArgument(std::string_view bytes);

// The text as single-byte text, to compare with names read from logs. A
// character with no single-byte form becomes a line feed, which no name
// and no line of a log holds, so it matches nothing.
std::string SingleByteText(const QString& text);

// A message for the terminal: control characters shown as "?", so that a
// name or file name cannot steer it, in the terminal's encoding.
std::string ForTerminal(const QString& text);

}  // namespace vy::cli
