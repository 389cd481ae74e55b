#pragma once
// The values of a connection from an event's insertion strings, as event
// log files and XML exports carry them: no message wording to read, the
// values each in its place. Each value is read by the same rules as in the
// messages of the text forms, so that one connection gives the same record
// whatever form it arrives in.
//
// Places (1-based) of events 20272 and 20251 from RemoteAccess: 3 the user
// ("DOMAIN\user", or a name without "\"), 4 the port, 5 the connect date
// "M/D/YYYY", 6 the connect time "H:MM AM" or "14:05", 9 minutes and 10
// seconds active, 11 bytes sent, 12 bytes received; 20251 also 13 the port
// speed. 20272 gives no speed: "0". The server is the event's computer.

#include <string>
#include <string_view>
#include <vector>

#include "scan/line_parser.h"

namespace vy {

// What became of one event or line that a reader looked at.
enum class EventStatus {
    Read,           // a connection, its values in the ConnectionLine
    NotConnection,  // another event, or one whose ID is not listed and would not be read anyway
    Unread,         // recognised as a connection (listed ID, and the marker or RemoteAccess), values unreadable
    NotListed,      // RemoteAccess 20272 or 20251 while that ID is not in the event list
};

// The source whose events 20272 and 20251 are connections; compared
// without regard to case.
inline constexpr std::string_view kRemoteAccessProvider = "RemoteAccess";

bool IsRemoteAccess(std::string_view provider);

// eventId: the event's ID in decimal (qualifiers aside), provider its
// source, computer its computer name, strings its insertion strings in
// order, as single bytes. matcher says which IDs are listed. On Read, the
// views of out point into computer and strings.
EventStatus ReadEventStrings(std::string_view eventId, std::string_view provider, std::string_view computer,
                             const std::vector<std::string>& strings, const LineMatcher& matcher,
                             ConnectionLine& out);

// The values alone, for a reader that has classified the event itself
// (20251 withSpeed, else 20272); false when they cannot be read.
bool ReadConnectionStrings(bool withSpeed, std::string_view computer, const std::vector<std::string>& strings,
                           ConnectionLine& out);

}  // namespace vy
