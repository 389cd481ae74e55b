#include "store/connection_store.h"

#include <new>

namespace vy {

bool ConnectionStore::Append(const ConnectionRecord& record)
{
    if (IsFull())
        return false;
    if (static_cast<std::size_t>(count_ >> kBlockBits) == blocks_.size()) {
        try {
            blocks_.push_back(std::make_unique_for_overwrite<ConnectionRecord[]>(kBlockSize));
        } catch (const std::bad_alloc&) {
            return false;  // memory is the table's limit
        }
    }
    Slot(count_) = record;
    ++count_;
    return true;
}

}  // namespace vy
