#include "store/stores.h"

namespace vy {

Stores& ProcessStores()
{
    static Stores* stores = new Stores;  // lives as long as the process
    return *stores;
}

}  // namespace vy
