#pragma once
// Recognising connection lines and taking their values out. Lines are bytes
// (Latin-1). lang is the LogLanguage setting: exactly "DE" selects the
// German markers, any other value the English ones.
//
// Two message forms are read. The classic one (events 20050, 20048) in
// English or German; and, in English only, the form that current servers
// log as event 20272: the same comma-separated fields (date, time, source,
// type, category, event ID, user, computer, message), the message perhaps
// in double quotes, giving the connect time as "on M/D/YYYY at H:MM AM" and
// no port speed.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

// The event ID whose lines are read in the current servers' form.
inline constexpr std::string_view kCurrentFormEventId = "20272";

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

private:
    std::string_view text_;
    std::size_t rare_ = 0;  // the place of the byte looked for
};

// The recognition test prepared once for a scan. A line is a connection line
// when it holds the language's recognition marker and "," + ID + "," for one
// of the five-character IDs of the list, read in six-character slots (the
// sixth character of a slot is never looked at).
class LineMatcher {
public:
    LineMatcher(std::string_view lang, std::string_view ids);
    bool IsConnectionLine(std::string_view line) const;
    // The same answer for a line known to hold the recognition marker.
    bool IsConnectionLineWithMarker(std::string_view line) const;
    // The recognition marker: "The user was active for" or "Verbindungszeit:".
    std::string_view Marker() const { return marker_.Text(); }
    // The first occurrence of the marker in text at or after from; npos
    // when absent. Keyed on a rare byte of it, so fit for long texts.
    std::size_t FindMarker(std::string_view text, std::size_t from = 0) const { return marker_.In(text, from); }

private:
    Needle marker_;
    std::vector<std::uint64_t> ids_;  // the listed IDs as keys of five bytes, sorted, each once
    std::array<bool, 256> inField_{};  // the bytes of "," + ID + "," for some listed ID
};

// Reads every value of a line that the matcher accepted into out; false when
// the line is malformed (a marker missing, a value that does not convert, an
// end character that never comes). out is then unspecified. With English
// markers, a line whose sixth field is the event ID 20272 is read in the
// current servers' form and never in the classic one.
bool ParseConnectionLine(std::string_view lang, std::string_view line, ConnectionLine& out);

// The value rules of the current servers' form, for readers of other forms
// that hold the same values as separate texts.

// "M/D/YYYY at H:MM AM" at the start of text (one or two digits for month,
// day and hour; AM or PM in either case).
std::optional<double> ReadConnectDateTime(std::string_view text);
// A byte count: optional leading blanks, an optional sign, one or more
// digits, within the signed 64-bit range; nothing else.
std::optional<std::int64_t> ReadByteCount(std::string_view text);
// "DOMAIN\\user" or a name without "\\": the domain ("Local" when none is
// named; a view into name) is returned, the user lower-cased into user.
std::string_view SplitDomainUser(std::string_view name, std::string& user);

// For a line that holds the recognition marker but no listed ID: the event
// ID when it is a connection event of current servers (source RemoteAccess,
// event 20272 or 20251) that the event list leaves out; 0 otherwise.
int UnlistedConnectionEvent(std::string_view line);

// Those IDs (20272, 20251) that the event list ids leaves out, in the
// list's own form ("20272;20251"); empty when it lists both.
std::string UnlistedConnectionIds(std::string_view ids);

}  // namespace vy
