#pragma once
// Recognising connection lines and taking their values out. Lines are bytes
// (Latin-1). lang is the LogLanguage setting: exactly "DE" selects the
// German markers, any other value the English ones.
//
// Two message forms are read. The classic one (events 20050, 20048) in
// English or German; and, in English only, the form that current servers
// log as events 20272 and 20251: the same comma-separated fields (date,
// time, source, type, category, event ID, user, computer, message), the
// message perhaps in double quotes, giving the connect time as "on M/D/YYYY
// at H:MM AM" (or on the 24-hour clock, "at 14:05"), and the port speed
// only in 20251 ("The port speed was N.").

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

// The event ID whose lines are read in the current servers' form.
inline constexpr std::string_view kCurrentFormEventId = "20272";
// The same form with the port speed.
inline constexpr std::string_view kSpeedFormEventId = "20251";

// Every value of one connection line. The views point into the line; for a
// quoted message holding doubled quotes, into Unquoted instead. The domain
// may also be the constant "Local" and the speed the constant "0".
struct ConnectionLine {
    double DateTime = 0;
    std::string_view Domain;
    std::string User;  // lower-cased; reused between lines, so parsing allocates nothing once warm
    std::string_view Server;
    std::string_view Port;
    std::string_view Speed;
    std::int32_t ActiveTime = 0;
    std::int64_t BytesSent = 0;
    std::int64_t BytesReceived = 0;
    std::string Unquoted;  // working space, reused like User
};

// A marker prepared for searching many lines: looked for by one of its bytes
// that is rare in log lines, so that the standard byte search stops seldom,
// and compared whole there. text must be non-empty and outlive the needle.
class Needle {
public:
    explicit Needle(std::string_view text);
    std::string_view Text() const { return text_; }
    std::size_t size() const { return text_.size(); }
    // The first occurrence in line at or after from; npos when absent.
    std::size_t In(std::string_view line, std::size_t from = 0) const;
    // The byte looked for, and its place in the text.
    char Key() const { return key_; }
    std::size_t KeyPlace() const { return rare_; }
    // Whether the text stands in line with its key byte at p (a place in
    // line).
    bool KeyedAt(std::string_view line, std::size_t p) const
    {
        // The first and last bytes sort out most near misses before the
        // whole comparison.
        const std::size_t at = p - rare_;
        const std::size_t n = text_.size();
        return p >= rare_ && line.size() - at >= n && line[at] == text_.front() && line[at + n - 1] == text_.back() &&
               SameBytes(line.data() + at, text_.data(), n);
    }

private:
    // Whether the n bytes at a and b are the same: eight at a time, the last
    // eight overlapping, so that the dozen comparisons of every line need no
    // call into the library.
    static bool SameBytes(const char* a, const char* b, std::size_t n)
    {
        auto word = [](const char* p) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            return w;
        };
        if (n < 8) {
            for (std::size_t i = 0; i < n; ++i)
                if (a[i] != b[i])
                    return false;
            return true;
        }
        for (std::size_t i = 0; i + 8 < n; i += 8)
            if (word(a + i) != word(b + i))
                return false;
        return word(a + n - 8) == word(b + n - 8);
    }

    std::string_view text_;
    std::size_t rare_ = 0;  // the place of the byte looked for
    char key_ = 0;
};

class EventList;

// The recognition test prepared once for a scan. A line is a connection line
// when it holds the language's recognition marker and "," + ID + "," for one
// of the IDs of the event list.
class LineMatcher {
public:
    LineMatcher(std::string_view lang, const EventList& events);
    bool IsConnectionLine(std::string_view line) const;
    // For a line known to hold the recognition marker: Listed when it is a
    // connection line, else Also when it holds "," + ID + "," for one of the
    // connection events the list leaves out; in one pass over the line.
    enum class IdField { None, Listed, Also };
    IdField IdFieldOf(std::string_view line) const;
    // Whether id (five characters) is one of the listed IDs.
    bool Lists(std::string_view id) const;
    // The recognition marker: "The user was active for" or "Verbindungszeit:".
    std::string_view Marker() const { return marker_.Text(); }
    // The first occurrence of the marker in text at or after from; npos
    // when absent. Keyed on a rare byte of it, so fit for long texts.
    std::size_t FindMarker(std::string_view text, std::size_t from = 0) const { return marker_.In(text, from); }

private:
    Needle marker_;
    std::vector<std::uint64_t> ids_;  // the listed IDs as keys of five bytes, sorted, each once
    std::vector<std::uint64_t> also_;  // the same for the connection events left out
    std::array<bool, 256> inField_{};  // the bytes of "," + ID + "," for an ID of either list
};

// Reads every value of a line that the matcher accepted into out; false when
// the line is malformed (a marker missing, a value that does not convert, an
// end character that never comes). out is then unspecified. With English
// markers, a line whose sixth field is the event ID 20272 or 20251 is read
// in the current servers' form and never in the classic one.
bool ParseConnectionLine(std::string_view lang, std::string_view line, ConnectionLine& out);

// The message of a current server's event 20272 (withSpeed false: speed
// "0") or 20251 (withSpeed true), without quotes, perhaps after the routing
// prefix "RoutingDomainID- {GUID}: CoID={GUID}: " (CoID in any letter case:
// Windows writes "CoId" in 20251). server becomes the
// record's server. The views of out point into message and server.
bool ParseCurrentMessage(std::string_view message, std::string_view server, bool withSpeed, ConnectionLine& out);

// The message of an event of ID eventId from server, as exports with the
// message in a field of its own carry it: with English markers, 20272 and
// 20251 in the current servers' form, any other ID (and every ID with
// German markers) in the classic one. The server is the one given, never
// read from the message.
bool ParseEventMessage(std::string_view lang, std::string_view eventId, std::string_view server,
                       std::string_view message, ConnectionLine& out);

// The connection event that an event of ID eventId from source is: 20272 or
// 20251 when the source is RemoteAccess (in any letter case), else 0. The
// one rule by which every form tells the current servers' connections.
int RemoteAccessConnectionEvent(std::string_view eventId, std::string_view source);

// For a line that holds the recognition marker but no listed ID: the event
// ID when it is a connection event of current servers (source RemoteAccess,
// event 20272 or 20251) that the event list leaves out; 0 otherwise.
int UnlistedConnectionEvent(std::string_view line);

}  // namespace vy
