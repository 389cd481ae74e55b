#pragma once
// What a damaged event log file (.evtx) held back, in words: one warning a
// file, naming it.

#include <string>

#include "scan/evtx_reader.h"

namespace vy {

// Empty when the file lost and doubted nothing. file: as shown (Latin-1
// bytes). Chunks are counted from 1 in the text.
std::string EvtxDamageWarning(const std::string& file, const EvtxCounts& counts);

}  // namespace vy
