#pragma once
// The connection store: one record per accepted connection line, in the order
// the scan accepted them.

#include <cstdint>
#include <memory>
#include <vector>

namespace vy {

// 40 bytes. The store grows in fixed blocks, so growing never copies the
// records already held and never needs twice their memory.
struct ConnectionRecord {
    std::int32_t UserIndex = 0;
    std::int32_t SpeedIndex = 0;
    std::int32_t ActiveTime = 0;
    bool RemovedMark = false;  // a duplicate the check took out
    double DateTime = 0;  // days since 30 Dec 1899, fraction = time of day
    std::int64_t BytesSent = 0;
    std::int64_t BytesReceived = 0;

    bool Removed() const { return RemovedMark; }
};
static_assert(sizeof(ConnectionRecord) == 40);

class ConnectionStore {
    static constexpr int kBlockBits = 16;
    static constexpr int kBlockSize = 1 << kBlockBits;
    using Block = std::unique_ptr<ConnectionRecord[]>;

public:
    // The count is an int throughout the program.
    static constexpr int Capacity = 2147483647;

    class Iterator {
    public:
        Iterator(const Block* block, int index) : block_(block), index_(index) {}
        const ConnectionRecord& operator*() const { return block_[index_ >> kBlockBits][index_ & (kBlockSize - 1)]; }
        Iterator& operator++()
        {
            ++index_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return index_ != other.index_; }

    private:
        const Block* block_;
        int index_;
    };

    int Count() const { return count_; }
    bool IsFull() const { return count_ >= Capacity; }
    const ConnectionRecord& operator[](int index) const
    {
        return blocks_[static_cast<std::size_t>(index >> kBlockBits)][index & (kBlockSize - 1)];
    }
    Iterator begin() const { return {blocks_.data(), 0}; }
    Iterator end() const { return {blocks_.data(), count_}; }

    // Keeps the blocks, so a scan after a scan allocates nothing new.
    void Clear() { count_ = 0; }
    // Writes the record into the next slot; false (and nothing written) when
    // full or out of memory.
    bool Append(const ConnectionRecord& record);
    void MarkRemoved(int index) { Slot(index).RemovedMark = true; }

private:
    ConnectionRecord& Slot(int index)
    {
        return blocks_[static_cast<std::size_t>(index >> kBlockBits)][index & (kBlockSize - 1)];
    }

    std::vector<Block> blocks_;
    std::int32_t count_ = 0;
};

}  // namespace vy
