#pragma once
// The connection store: one record per accepted connection line, in the order
// the scan accepted them.

#include <cstdint>
#include <vector>

namespace vy {

struct ConnectionRecord {
    std::uint16_t UserIndex = 0;   // 0xFFFF in a removed duplicate
    std::uint16_t SpeedIndex = 0;  // 0xFFFF in a removed duplicate
    // The all-bits-set index is also a valid entry (the name table's last
    // slot), so removal is told by this flag, set together with the two marks.
    bool Removed = false;
    double DateTime = 0;  // days since 30 Dec 1899, fraction = time of day
    std::int32_t ActiveTime = 0;
    std::int32_t BytesSent = 0;
    std::int32_t BytesReceived = 0;
};

class ConnectionStore {
public:
    static constexpr int Capacity = 1000001;
    static constexpr std::uint16_t RemovedMark = 0xFFFF;

    ConnectionStore();

    int Count() const { return count_; }
    bool IsFull() const { return count_ >= Capacity; }
    const ConnectionRecord& operator[](int index) const { return slots_[static_cast<std::size_t>(index)]; }
    const ConnectionRecord* begin() const { return slots_.data(); }
    const ConnectionRecord* end() const { return slots_.data() + count_; }

    void Clear() { count_ = 0; }
    // Writes the record into the next slot; false (and nothing written) when full.
    bool Append(const ConnectionRecord& record);
    void MarkRemoved(int index);

private:
    std::vector<ConnectionRecord> slots_;
    std::int32_t count_ = 0;
};

}  // namespace vy
