#pragma once
// A big file of lines read in two halves at once: the second, from the first
// line end after the middle, by a reader of its own on a thread beside the
// first; what it finds counts after what the first finds.

#include <cstdint>

#include "scan/forms/log_form_table.h"

namespace vy {

// Reads the file of reading by form, in halves when the form's lines stand
// alone, the file has size bytes or more than a few million, its text is of
// single bytes and a thread is to be had; else whole. What form.Read gives;
// last: the reader that read the file's end (reading.Reader or second).
bool ReadInHalves(const LogFormEntry& form, FormReading& reading, std::int64_t size, LogReader& second,
                  const LogReader*& last);

}  // namespace vy
