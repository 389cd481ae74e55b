#pragma once
// The connection store: one record per accepted connection line, in the order
// the scan accepted them.

#include <cstdint>
#include <vector>

namespace vy {

// 32 bytes, so that a full store of a million records stays near 32 MB.
struct ConnectionRecord {
    std::uint16_t UserIndex = 0;   // 0xFFFF in a removed duplicate
    std::uint16_t SpeedIndex = 0;  // 0xFFFF in a removed duplicate
    std::int32_t ActiveTime = 0;
    double DateTime = 0;  // days since 30 Dec 1899, fraction = time of day
    std::int64_t BytesSent = 0;
    std::int64_t BytesReceived = 0;

    // One index alone at 0xFFFF is the name table's last slot; both at once
    // cannot be, since a user entry and a speed entry are two slots.
    bool Removed() const { return UserIndex == 0xFFFF && SpeedIndex == 0xFFFF; }
};
static_assert(sizeof(ConnectionRecord) == 32);

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
