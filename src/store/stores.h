#pragma once
// The two tables a scan fills, and the operations on them by their own names.

#include <string_view>

#include "store/connection_store.h"
#include "store/name_table.h"

namespace vy {

struct Stores {
    NameTable Names;
    ConnectionStore Connections;
};

// The process-wide pair that the desktop program and vy-report work on.
Stores& ProcessStores();

inline void ClearStores(Stores& stores)
{
    stores.Names.Clear();
    stores.Connections.Clear();
}

inline int FindOrAddName(Stores& stores, NameKind kind, std::string_view name, int domain, int server, int port)
{
    return stores.Names.FindOrAdd(kind, name, domain, server, port);
}

inline void MarkRemoved(Stores& stores, int index) { stores.Connections.MarkRemoved(index); }

}  // namespace vy
