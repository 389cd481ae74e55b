#pragma once
// What vy-report asks of the terminal; one file per platform answers.

#include <cstdio>

namespace vy::cli {

// True when the stream goes to a terminal, where a report is read by eye
// and a control character would steer the screen.
bool IsTerminal(std::FILE* stream);

// The columns of the terminal behind the stream, or 80.
int TerminalWidth(std::FILE* stream);

}  // namespace vy::cli
