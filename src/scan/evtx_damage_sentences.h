#pragma once
// What a damaged event log file (.evtx) held back or put in doubt, in
// words: the sentences the scan shows after the file's name.

#include <string>
#include <vector>

#include "scan/evtx_reader.h"

namespace vy {

// None when the file lost and doubted nothing. Chunks are counted from 1.
std::vector<std::string> EvtxDamageSentences(const EvtxCounts& counts);

}  // namespace vy
