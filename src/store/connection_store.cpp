#include "store/connection_store.h"

namespace vy {

ConnectionStore::ConnectionStore() : slots_(Capacity) {}

bool ConnectionStore::Append(const ConnectionRecord& record)
{
    if (IsFull())
        return false;
    slots_[static_cast<std::size_t>(count_)] = record;
    ++count_;
    return true;
}

void ConnectionStore::MarkRemoved(int index)
{
    ConnectionRecord& r = slots_[static_cast<std::size_t>(index)];
    r.UserIndex = RemovedMark;
    r.SpeedIndex = RemovedMark;
}

}  // namespace vy
