#pragma once
// Every connection record a scan kept, as CSV for other tools: the door for
// reports beyond one folder.

#include <functional>
#include <string_view>

#include "store/stores.h"

namespace vy::cli {

// Receives the output piece by piece; false stops the writing.
using ByteSink = std::function<bool(std::string_view)>;

// The header "datetime,domain,user,server,port,speed,seconds,sent,received",
// then one line per record that is not removed, in store order; RFC 4180
// CSV in UTF-8 with CR LF. The names are the record's own, its server, port
// and domain reached through its speed entry. maskControls: control
// characters in names as "?" (for a terminal). False when the sink refused.
bool WriteRecords(const Stores& stores, const ByteSink& sink, bool maskControls = false);

}  // namespace vy::cli
