#pragma once
// The line numbers of places in a log file, found by reading the file a
// second time: for the rare connection that must be named by its line,
// where the scan passed the lines in bulk without counting them.

#include <cstdint>
#include <filesystem>

#include "scan/log_reader.h"

namespace vy {

class LineCounter {
public:
    // Forgets the file before; the new one is opened when first asked.
    void Reset(const std::filesystem::path& path);
    // The number (1 for the first) of the line that holds the file byte at
    // offset, as LogReader counts lines; 0 when the file cannot be read.
    // Cheapest when the offsets asked for grow.
    std::int64_t LineAt(std::int64_t offset);

private:
    std::filesystem::path path_;
    LogReader reader_{std::size_t{64} << 10};
    std::int64_t lines_ = 0;
    bool open_ = false;
};

}  // namespace vy
