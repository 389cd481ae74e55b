#pragma once
// A big file of lines read in pieces by two threads in turns: the reading
// thread the first, third, ... piece, a thread beside it the second, fourth,
// ...; each piece starts after a line end and is taken in its turn.

#include <cstdint>

#include "scan/forms/log_form_table.h"

namespace vy {

// Reads the file of reading by form, in pieces when the form's lines stand
// alone, the file has size bytes or more than a few million, its text is of
// single bytes and a thread is to be had; else whole. What form.Read gives;
// last: the reader that read the file's end (reading.Reader or beside).
bool ReadInPieces(const LogFormEntry& form, FormReading& reading, std::int64_t size, LogReader& beside,
                  const LogReader*& last);

}  // namespace vy
