#pragma once
// Record numbers as runs of consecutive numbers: records mostly come in
// order, so the hundreds of thousands of a file take a few runs.

#include <cstdint>
#include <map>
#include <optional>

namespace vy {

class RecordNumberSet {
public:
    // n must not be there yet.
    void Insert(std::uint64_t n);
    bool Contains(std::uint64_t n) const;
    // How many of first..last are missing, and the first of them.
    std::uint64_t Missing(std::uint64_t first, std::uint64_t last, std::optional<std::uint64_t>& firstMissing) const;

private:
    std::map<std::uint64_t, std::uint64_t> runs_;  // first number, last number
};

}  // namespace vy
