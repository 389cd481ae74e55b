#include "scan/line_parser.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "scan/active_time.h"
#include "scan/event_list.h"
#include "scan/forms/csv_fields.h"
#include "scan/message_values.h"
#include "store/ascii_text.h"
#include "store/date_value.h"

namespace vy {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The texts of one language's classic message that the values stand between.
struct LineMarkers {
    Needle Recognition;     // "The user was active for"
    Needle Start;           // ",The user " (the comma closes the server field)
    Needle UserStart;       // ",The user"
    Needle AfterUser;       // "connected on port"
    Needle BeforePort;      // "connected on port " (German: the text two bytes before the port)
    Needle TimeMarker;      // " at ", between the date and the time
    Needle BeforeSent;      // " seconds.  "
    Needle AfterSent;       // " bytes were sent "
    Needle BeforeReceived;  // "bytes were sent and "
    Needle AfterReceived;   // " bytes were received."
    Needle BeforeSpeed;     // "The port speed was "
};

const LineMarkers& MarkersFor(bool german)
{
    static const LineMarkers english{
        Needle("The user was active for"),
        Needle(",The user "),
        Needle(",The user"),
        Needle("connected on port"),
        Needle("connected on port "),
        Needle(" at "),
        Needle(" seconds.  "),
        Needle(" bytes were sent "),
        Needle("bytes were sent and "),
        Needle(" bytes were received."),
        Needle("The port speed was "),
    };
    // "Anschluß" ends in the single byte 0xDF; the marker stops before it,
    // and the port begins two bytes after the marker (past the 0xDF and a
    // blank).
    static const LineMarkers germanMarkers{
        Needle("Verbindungszeit:"),
        Needle(",Der Benutzer "),
        Needle(",Der Benutzer"),
        Needle("hat sich an Anschlu"),
        Needle("hat sich an Anschlu"),
        Needle(" um "),
        Needle("s.  "),
        Needle(" Bytes wurden gesendet und "),
        Needle("Bytes wurden gesendet und "),
        Needle(" Bytes empfangen. "),
        Needle("Geschwindigkeit: "),
    };
    return german ? germanMarkers : english;
}

constexpr std::string_view kLocal = "Local";

bool IsGerman(std::string_view lang) { return lang == "DE"; }

// The user's name lower-cased into out, whose room is kept: copied whole,
// then folded in place, which costs less than a byte appended at a time.
void AssignLower(std::string& out, std::string_view text)
{
    out.assign(text);
    for (char& c : out)
        c = AsciiLower(c);
}

// The five bytes of an event ID as one number, for looking IDs up.
std::uint64_t IdKey(const char* id)
{
    std::uint64_t key = 0;
    std::memcpy(&key, id, 5);
    return key;
}

// a: the text before the number, of beforeSize bytes; b: the text after it.
std::optional<std::int64_t> NumberAt(std::string_view line, std::size_t a, std::size_t beforeSize, std::size_t b)
{
    if (a == npos || b == npos || b <= a + beforeSize)
        return std::nullopt;
    return ReadByteCount(line.substr(a + beforeSize, b - a - beforeSize));
}

// The count bytes of text from at, all digits, as a number; -1 otherwise.
inline int Digits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at > text.size() || text.size() - at < count)
        return -1;
    // Two or four digits, read here: the library's reader costs more than
    // the whole date.
    int value = 0;
    for (const char c : text.substr(at, count)) {
        if (!IsAsciiDigit(c))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// ---- The classic form ------------------------------------------------------

// p: the time marker. The date is the ten bytes before it, month first; the
// time follows it as "hh:mm" and two letters, of which only "am" is the
// morning.
std::optional<double> DateTimeAt(std::string_view line, std::size_t p)
{
    if (p == npos || p < 10 || p + 10 >= line.size())
        return std::nullopt;
    const int month = Digits(line, p - 10, 2);
    const int day = Digits(line, p - 7, 2);
    const int year = Digits(line, p - 4, 4);
    const int hour12 = Digits(line, p + 4, 2);
    const int minute = Digits(line, p + 7, 2);
    if (month < 0 || day < 0 || year < 0 || hour12 < 0 || minute < 0)
        return std::nullopt;
    const bool morning = line[p + 9] == 'a' && line[p + 10] == 'm';
    int hour = hour12;
    if (morning)
        hour = hour12 == 12 ? 0 : hour12;
    else
        hour = hour12 == 12 ? 12 : hour12 + 12;
    return DateTimeOf(year, month, day, hour, minute);
}

// The first occurrence of withBlank (marker + " "), given the first
// occurrence of the marker alone (at): the longer text cannot come earlier.
std::size_t WithBlankAfter(std::string_view line, std::size_t at, const Needle& marker, const Needle& withBlank)
{
    if (at == npos)
        return npos;
    const std::size_t after = at + marker.size();
    if (after < line.size() && line[after] == ' ')
        return at;
    return withBlank.In(line, at + 1);
}

// m: the start marker. The domain runs to the first "\" or blank; a blank
// first means the line names no domain.
std::optional<std::string_view> DomainAt(const LineMarkers& mk, std::string_view line, std::size_t m)
{
    if (m == npos)
        return std::nullopt;
    const std::size_t from = m + mk.Start.size();
    // A plain loop: the library's search for either of two bytes makes a
    // byte search per byte.
    std::size_t end = from;
    while (end < line.size() && line[end] != '\\' && line[end] != ' ')
        ++end;
    if (end >= line.size())
        return std::nullopt;
    if (line[end] == ' ')
        return kLocal;
    return line.substr(from, end - from);
}

// The user as written, possibly empty. m: the user's start marker; c: the
// text that follows the user. The user begins after the first "\" of the
// whole line, wherever it stands; without one, after the blank that follows
// the marker.
std::optional<std::string_view> UserAt(const LineMarkers& mk, std::string_view line, std::size_t m, std::size_t c)
{
    if (m == npos || c == npos)
        return std::nullopt;
    const std::size_t slash = line.find('\\');
    const std::size_t b = slash != npos ? slash : m + mk.UserStart.size();
    // A user that would end before it begins is the empty text.
    if (c < b + 2)
        return std::string_view();
    return line.substr(b + 1, c - b - 2);
}

// m: the start marker, whose comma closes the server field.
std::optional<std::string_view> ServerAt(std::string_view line, std::size_t m)
{
    if (m == npos || m == 0)
        return std::nullopt;
    const std::size_t comma = line.rfind(',', m - 1);
    if (comma == npos)
        return std::nullopt;
    return line.substr(comma + 1, m - comma - 1);
}

// m: the text before the port. German ports have at least one byte: the
// blank that ends them is looked for one byte further on.
std::optional<std::string_view> PortAt(const LineMarkers& mk, bool german, std::string_view line, std::size_t m)
{
    if (m == npos)
        return std::nullopt;
    const std::size_t from = m + mk.BeforePort.size() + (german ? 2 : 0);
    const std::size_t end = line.find(' ', german ? from + 1 : from);
    if (end == npos)
        return std::nullopt;
    return line.substr(from, end - from);
}

// m: the text before the speed, which runs to the next ".".
std::optional<std::string_view> SpeedAt(const LineMarkers& mk, std::string_view line, std::size_t m)
{
    if (m == npos)
        return std::nullopt;
    const std::size_t from = m + mk.BeforeSpeed.size();
    const std::size_t end = line.find('.', from);
    if (end == npos)
        return std::nullopt;
    return line.substr(from, end - from);
}

// Several needles looked for in one line: those keyed on the same byte share
// one walk over that byte's places, and each is settled at its first match
// there, where its own search from the line's start would stop.
template <std::size_t N>
class NeedleSet {
public:
    explicit NeedleSet(const std::array<const Needle*, N>& needles) : needles_(needles)
    {
        for (std::size_t i = 0; i < N; ++i) {
            std::size_t g = 0;
            while (g < groups_ && keys_[g] != needles[i]->Key())
                ++g;
            if (g == groups_) {
                keys_[groups_++] = needles[i]->Key();
                ends_[g] = 0;
            }
            group_[i] = g;
        }
        // Members ordered by group, so that each group is one run.
        std::size_t next = 0;
        for (std::size_t g = 0; g < groups_; ++g) {
            for (std::size_t i = 0; i < N; ++i)
                if (group_[i] == g)
                    members_[next++] = i;
            ends_[g] = next;
        }
    }

    // at[i]: the first occurrence of needle i in line, npos when absent.
    void FindIn(std::string_view line, std::array<std::size_t, N>& at) const
    {
        at.fill(npos);
        std::size_t begin = 0;
        for (std::size_t g = 0; g < groups_; begin = ends_[g++]) {
            std::size_t open = ends_[g] - begin;
            for (std::size_t p = line.find(keys_[g]); p != npos; p = line.find(keys_[g], p + 1)) {
                for (std::size_t m = begin; m < ends_[g]; ++m) {
                    const std::size_t i = members_[m];
                    if (at[i] == npos && needles_[i]->KeyedAt(line, p)) {
                        at[i] = p - needles_[i]->KeyPlace();
                        --open;
                    }
                }
                if (open == 0)
                    break;
            }
        }
    }

private:
    std::array<const Needle*, N> needles_;
    std::array<std::size_t, N> group_{}, members_{}, ends_{};
    std::array<char, N> keys_{};
    std::size_t groups_ = 0;
};

// The markers of the classic form that are looked for from the line's start.
enum Searched : std::size_t {
    kUserStart, kAfterUser, kTime, kSpeed, kRecognition, kBeforeSent, kAfterSent, kBeforeReceived, kAfterReceived,
    kSearchedCount
};
using ClassicSearch = NeedleSet<kSearchedCount>;

const ClassicSearch& SearchFor(bool german)
{
    const auto make = [](const LineMarkers& mk) {
        return ClassicSearch({&mk.UserStart, &mk.AfterUser, &mk.TimeMarker, &mk.BeforeSpeed, &mk.Recognition,
                              &mk.BeforeSent, &mk.AfterSent, &mk.BeforeReceived, &mk.AfterReceived});
    };
    static const ClassicSearch english = make(MarkersFor(false));
    static const ClassicSearch germanSearch = make(MarkersFor(true));
    return german ? germanSearch : english;
}

// Each value stands at the first occurrence of its markers in the whole line.
bool ParseClassic(bool german, std::string_view line, ConnectionLine& out)
{
    const LineMarkers& mk = MarkersFor(german);
    std::array<std::size_t, kSearchedCount> at;
    SearchFor(german).FindIn(line, at);
    // The start marker is the user's marker and a blank, and the English
    // port marker the user's follower and a blank (the German one is the
    // follower itself).
    const std::size_t userStart = at[kUserStart];
    const std::size_t start = WithBlankAfter(line, userStart, mk.UserStart, mk.Start);
    const std::size_t afterUser = at[kAfterUser];
    const std::size_t beforePort = german ? afterUser : WithBlankAfter(line, afterUser, mk.AfterUser, mk.BeforePort);

    const auto dateTime = DateTimeAt(line, at[kTime]);
    if (!dateTime)
        return false;
    const auto domain = DomainAt(mk, line, start);
    const auto user = UserAt(mk, line, userStart, afterUser);
    const auto server = ServerAt(line, start);
    const auto port = PortAt(mk, german, line, beforePort);
    if (!domain || !user || !server || !port)
        return false;
    const auto speed = SpeedAt(mk, line, at[kSpeed]);
    const std::size_t recognition = at[kRecognition];
    if (!speed || recognition == npos)
        return false;
    const auto active = ReadDuration(line.substr(recognition + mk.Recognition.size()));
    const auto sent = NumberAt(line, at[kBeforeSent], mk.BeforeSent.size(), at[kAfterSent]);
    const auto received = NumberAt(line, at[kBeforeReceived], mk.BeforeReceived.size(), at[kAfterReceived]);
    if (!active || !sent || !received)
        return false;

    out.DateTime = *dateTime;
    out.Domain = *domain;
    AssignLower(out.User, *user);
    out.Server = *server;
    out.Port = *port;
    out.Speed = *speed;
    out.ActiveTime = *active;
    out.BytesSent = *sent;
    out.BytesReceived = *received;
    return true;
}

// Whether text stands in line at at: compared a word at a time, the last
// word overlapping, which the compiler unrolls for a known text.
template <std::size_t N>
bool TextAt(std::string_view line, std::size_t at, const char (&text)[N])
{
    constexpr std::size_t n = N - 1;
    static_assert(n >= 4);
    if (at > line.size() || line.size() - at < n)
        return false;
    const char* p = line.data() + at;
    const auto same = [&](std::size_t i, auto word) {
        decltype(word) a, b;
        std::memcpy(&a, p + i, sizeof a);
        std::memcpy(&b, text + i, sizeof b);
        return a == b;
    };
    if constexpr (n < 8)
        return same(0, std::uint32_t()) && same(n - 4, std::uint32_t());
    for (std::size_t i = 0; i + 8 < n; i += 8)
        if (!same(i, std::uint64_t()))
            return false;
    return same(n - 8, std::uint64_t());
}

// TextAt, and at moves past the text when it stands there.
template <std::size_t N>
bool Past(std::string_view line, std::size_t& at, const char (&text)[N])
{
    if (!TextAt(line, at, text))
        return false;
    at += N - 1;
    return true;
}

// Whether the bytes at p are "MM/DD/YYYY", and the time "hh:mm" and two
// bytes that are not blanks. Every byte is looked at: the conditions are
// joined without branches.
int DigitAt(const char* p) { return static_cast<unsigned char>(*p - '0') < 10; }
int ByteAt(const char* p, char c) { return *p == c; }
bool IsDateAt(const char* p)
{
    return (DigitAt(p) & DigitAt(p + 1) & ByteAt(p + 2, '/') & DigitAt(p + 3) & DigitAt(p + 4) & ByteAt(p + 5, '/') &
            DigitAt(p + 6) & DigitAt(p + 7) & DigitAt(p + 8) & DigitAt(p + 9)) != 0;
}
bool IsTimeAt(const char* p)
{
    return (DigitAt(p) & DigitAt(p + 1) & ByteAt(p + 2, ':') & DigitAt(p + 3) & DigitAt(p + 4) &
            (1 - ByteAt(p + 5, ' ')) & (1 - ByteAt(p + 6, ' '))) != 0;
}

// The first comma, blank or backslash in line from at; line.size() when none.
// Eight bytes at a time where the order of bytes in a word allows.
std::size_t NextStop(std::string_view line, std::size_t at)
{
    const char* s = line.data();
    const std::size_t n = line.size();
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
        // The lowest flagged byte of a word is the first zero byte in it.
        const auto zeros = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
        for (; at + 8 <= n; at += 8) {
            std::uint64_t w;
            std::memcpy(&w, s + at, 8);
            const std::uint64_t found = zeros(w ^ (ones * ',')) | zeros(w ^ (ones * ' ')) | zeros(w ^ (ones * '\\'));
            if (found != 0)
                return at + static_cast<std::size_t>(std::countr_zero(found)) / 8;
        }
    }
    while (at < n && s[at] != ',' && s[at] != ' ' && s[at] != '\\')
        ++at;
    return at;
}

// Digits alone from at, few enough not to overflow, as a number; at moves
// past them. -1 when there is none.
std::int64_t CountAt(std::string_view line, std::size_t& at)
{
    const std::size_t begin = at;
    std::int64_t value = 0;
    for (; at < line.size() && IsAsciiDigit(line[at]) && at - begin < 18; ++at)
        value = value * 10 + (line[at] - '0');
    return at > begin ? value : -1;
}

// The usual English line, read in one pass from its start:
//   <8 fields>,The user [DOMAIN\]USER connected on port PORT on MM/DD/YYYY
//   at HH:MMam and disconnected on MM/DD/YYYY at HH:MMam.  The user was
//   active for DURATION seconds.  N bytes were sent and N bytes were
//   received. The port speed was SPEED.
// false when the line is not of that shape; ParseClassic then reads it.
// Every marker holds a blank, and here the values between the fixed texts
// hold none (the fields before the user only the time's, between a digit
// and a capital; the duration only between its numbers and unit words), so
// no marker can stand before the place where the shape puts it: the values
// are those that the search of every marker from the line's start finds.
bool ParseUsualEnglish(std::string_view line, ConnectionLine& out)
{
    const char* s = line.data();
    const std::size_t n = line.size();
    // The date and time fields and the rest up to the server; no "\", which
    // would be the user's start.
    std::size_t i = 0, commas = 0;
    std::array<std::size_t, 8> comma{};
    for (;; ++i) {
        i = NextStop(line, i);
        if (i == n)
            return false;
        if (s[i] == ',') {
            comma[commas] = i;
            if (++commas == 8)
                break;
        } else if (s[i] == '\\' || i == 0 || !IsAsciiDigit(s[i - 1]) || i + 1 == n || s[i + 1] < 'A' ||
                   s[i + 1] > 'Z') {
            return false;
        }
    }
    if (!Past(line, i, ",The user "))
        return false;
    const std::string_view id = line.substr(comma[4] + 1, comma[5] - comma[4] - 1);
    if (id == kCurrentFormEventId || id == kSpeedFormEventId)
        return false;
    const std::size_t server = comma[6] + 1;
    // The domain and user, up to the blank; the first "\" parts them.
    const std::size_t who = i;
    std::size_t slash = npos;
    for (i = who; i < n && s[i] != ' '; ++i)
        if (s[i] == '\\' && slash == npos)
            slash = i;
    const std::size_t whoEnd = i;
    if (!Past(line, i, " connected on port "))
        return false;
    const std::size_t port = i;
    for (i = port; i < n && s[i] != ' '; ++i) {
    }
    const std::size_t portEnd = i;
    // Between blanks, "at" would be the time marker.
    if (line.substr(who, whoEnd - who) == "at" || line.substr(port, portEnd - port) == "at")
        return false;
    // Dates and times as digits in their places: a time such as
    // "seconds." would make a marker with the blanks around it.
    const std::size_t at = portEnd + 14;
    const std::size_t at2 = at + 42;
    const std::size_t active = at2 + 11;
    if (!TextAt(line, portEnd, " on ") || !TextAt(line, at, " at ") || !TextAt(line, at + 11, " and disconnected on ") ||
        !TextAt(line, at2, " at ") || !TextAt(line, active, ".  The user was active for ") ||
        !IsDateAt(s + portEnd + 4) || !IsTimeAt(s + at + 4) || !IsDateAt(s + at2 - 10) || !IsTimeAt(s + at2 + 4))
        return false;
    const auto dateTime = DateTimeAt(line, at);
    std::size_t durationEnd = 0;
    const std::size_t durationBegin = active + 26;
    const auto duration = ReadDuration(line.substr(durationBegin), &durationEnd);
    i = durationBegin + durationEnd - 8;
    if (!dateTime || !duration || durationEnd < 8 || !Past(line, i, " seconds.  "))
        return false;
    const std::int64_t sent = CountAt(line, i);
    if (sent < 0 || !Past(line, i, " bytes were sent and "))
        return false;
    const std::int64_t received = CountAt(line, i);
    if (received < 0 || !Past(line, i, " bytes were received. The port speed was "))
        return false;
    const std::size_t speed = i;
    const std::size_t speedEnd = line.find('.', speed);
    // Without a domain, a "\" anywhere further on would begin the user.
    const bool local = slash == npos;
    if (speedEnd == npos || (local && line.find('\\', whoEnd) != npos))
        return false;

    out.DateTime = *dateTime;
    out.Domain = local ? kLocal : line.substr(who, slash - who);
    AssignLower(out.User, local ? line.substr(who, whoEnd - who) : line.substr(slash + 1, whoEnd - slash - 1));
    out.Server = line.substr(server, comma[7] - server);
    out.Port = line.substr(port, portEnd - port);
    out.Speed = line.substr(speed, speedEnd - speed);
    out.ActiveTime = *duration;
    out.BytesSent = sent;
    out.BytesReceived = received;
    return true;
}

// ---- The current servers' form ---------------------------------------------

// The next comma-separated field from from, which moves past its comma;
// nullopt when no comma ends it.
std::optional<std::string_view> NextField(std::string_view line, std::size_t& from)
{
    const std::size_t comma = line.find(',', from);
    if (comma == npos)
        return std::nullopt;
    const std::string_view field = line.substr(from, comma - from);
    from = comma + 1;
    return field;
}

// The message without the optional "RoutingDomainID- {GUID}: CoID={GUID}: ",
// CoID in any letter case.
std::optional<std::string_view> WithoutRouting(std::string_view message)
{
    constexpr std::string_view kRouting = "RoutingDomainID- {";
    constexpr std::string_view kConnection = "}: CoID={";
    if (!message.starts_with(kRouting))
        return message;
    const std::size_t co = message.find("}: ", kRouting.size());
    if (co == npos || !EqualAsciiFolded(message.substr(co, kConnection.size()), kConnection))
        return std::nullopt;
    const std::size_t end = message.find("}: ", co + kConnection.size());
    if (end == npos)
        return std::nullopt;
    return message.substr(end + 3);
}

// "M/D/YYYY at H:MM AM" (or "at 14:05") at the start of text.
std::optional<double> ConnectDateTime(std::string_view text)
{
    std::size_t at = 0;
    const auto date = ReadConnectDate(text, at);
    if (!date || text.substr(at, 4) != " at ")
        return std::nullopt;
    at += 4;
    const auto time = ReadConnectTime(text, at);
    if (!time)
        return std::nullopt;
    return *date + *time;
}

// The fields after the event ID, from from on: the user, the computer (the
// server) and the message.
bool ParseCurrent(std::string_view line, std::size_t from, bool withSpeed, ConnectionLine& out)
{
    const auto computer = NextField(line, from) ? NextField(line, from) : std::nullopt;
    if (!computer)
        return false;
    // The message perhaps in double quotes.
    const std::string_view message = line.substr(from);
    std::size_t close = 0;
    const auto unquoted = message.starts_with('"') ? Unquoted(message, out.Unquoted, close) : std::optional(message);
    return unquoted && ParseCurrentMessage(*unquoted, *computer, withSpeed, out);
}

}  // namespace

bool ParseCurrentMessage(std::string_view message, std::string_view server, bool withSpeed, ConnectionLine& out)
{
    const auto stripped = WithoutRouting(message);
    constexpr std::string_view kUser = "The user ";
    constexpr std::string_view kPort = " connected on port ";
    constexpr std::string_view kSent = " bytes were sent and ";
    if (!stripped || !stripped->starts_with(kUser))
        return false;
    const std::string_view m = *stripped;
    static const Needle portMarker(kPort), sentMarker(kSent), receivedMarker(" bytes were received."),
        speedMarker("The port speed was ");
    const std::size_t port = portMarker.In(m, kUser.size() - 1);
    if (port == npos || port < kUser.size())
        return false;
    const DomainAndUser names = SplitDomainUser(m.substr(kUser.size(), port - kUser.size()));
    const std::size_t portBegin = port + kPort.size();
    const std::size_t portEnd = m.find(' ', portBegin);
    if (portEnd == npos || m.substr(portEnd, 4) != " on ")
        return false;
    const auto dateTime = ConnectDateTime(m.substr(portEnd + 4));

    const std::size_t active = MarkersFor(false).Recognition.In(m, portEnd);
    if (!dateTime || active == npos)
        return false;
    const std::size_t durationBegin = active + MarkersFor(false).Recognition.size();
    std::size_t durationEnd = 0;
    const auto duration = ReadDuration(m.substr(durationBegin), &durationEnd);
    // The sentence ends after the duration; the one with the byte counts
    // follows after one or two blanks, which the number reader passes over.
    const std::size_t sentBegin = durationBegin + durationEnd + 1;
    if (!duration || sentBegin > m.size() || m[sentBegin - 1] != '.')
        return false;
    const std::size_t sentEnd = sentMarker.In(m, sentBegin);
    const auto sent = NumberAt(m, sentBegin, 0, sentEnd);
    const std::size_t receivedBegin = sentEnd == npos ? npos : sentEnd + kSent.size();
    const std::size_t receivedEnd = receivedMarker.In(m, receivedBegin);
    const auto received = NumberAt(m, receivedBegin, 0, receivedEnd);
    if (!sent || !received)
        return false;
    // The port speed, when the event gives it, follows the byte counts.
    std::string_view speed = "0";
    if (withSpeed) {
        const std::size_t at = speedMarker.In(m, receivedEnd);
        const auto read = SpeedAt(MarkersFor(false), m, at);
        if (!read)
            return false;
        speed = *read;
    }

    out.DateTime = *dateTime;
    out.Domain = names.Domain;
    AssignLower(out.User, names.User);
    out.Server = server;
    out.Port = m.substr(portBegin, portEnd - portBegin);
    out.Speed = speed;
    out.ActiveTime = *duration;
    out.BytesSent = *sent;
    out.BytesReceived = *received;
    return true;
}

Needle::Needle(std::string_view text) : text_(text)
{
    // The first of the rarest bytes that the marker holds, else its first
    // byte that is not a blank.
    rare_ = npos;
    for (char rare : std::string_view("yv.pTVGD"))
        if (rare_ == npos)
            rare_ = text.find(rare);
    if (rare_ == npos)
        rare_ = std::min(text.find_first_not_of(' '), text.size() - 1);
    key_ = text[rare_];
}

std::size_t Needle::In(std::string_view line, std::size_t from) const
{
    if (from > line.size())
        return npos;
    for (std::size_t p = line.find(key_, from + rare_); p != npos; p = line.find(key_, p + 1))
        if (KeyedAt(line, p))
            return p - rare_;
    return npos;
}

LineMatcher::LineMatcher(std::string_view lang, const EventList& events)
    : marker_(MarkersFor(IsGerman(lang)).Recognition)
{
    const auto read = [](const std::vector<std::string>& list, std::vector<std::uint64_t>& keys,
                         std::array<bool, 256>& bytes) {
        for (const std::string& id : list) {
            keys.push_back(IdKey(id.data()));
            for (const char c : id)
                bytes[static_cast<unsigned char>(c)] = true;
            bytes[','] = true;
        }
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    };
    read(events.Ids(), ids_, inField_);
    read(events.Unlisted(), also_, inField_);
}

bool LineMatcher::IsConnectionLine(std::string_view line) const
{
    // Most lines lack the marker, so one pass over them settles it.
    return !ids_.empty() && marker_.In(line) != npos && IdFieldOf(line) == IdField::Listed;
}

bool LineMatcher::Lists(std::string_view id) const
{
    return id.size() == 5 && std::binary_search(ids_.begin(), ids_.end(), IdKey(id.data()));
}

LineMatcher::IdField LineMatcher::IdFieldOf(std::string_view line) const
{
    // Every "," + five bytes + "," of the line is looked up, which finds an
    // ID field wherever it stands, however many IDs are listed; the first
    // listed one settles it. The seven places it takes are looked at from
    // the last: where that byte is one that no such field holds, none takes
    // it, and the next can start only after it.
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    bool also = false;
    for (std::size_t c = 0; c + 6 < line.size();) {
        const unsigned char last = p[c + 6];
        if (!inField_[last]) {
            c += 7;
            continue;
        }
        if (last == ',' && p[c] == ',') {
            const std::uint64_t key = IdKey(line.data() + c + 1);
            if (std::binary_search(ids_.begin(), ids_.end(), key))
                return IdField::Listed;
            also = also || std::binary_search(also_.begin(), also_.end(), key);
        }
        ++c;
    }
    return also ? IdField::Also : IdField::None;
}

bool ParseConnectionLine(std::string_view lang, std::string_view line, ConnectionLine& out)
{
    const bool german = IsGerman(lang);
    if (!german) {
        if (ParseUsualEnglish(line, out))
            return true;
        // The sixth field is the event ID: current servers' event has its
        // own form and is never read in the classic one.
        // (Split here by hand: the field reader, called from several
        // places, is not inlined, and this runs for every line.)
        std::size_t from = 0;
        std::string_view field;
        bool six = true;
        for (int i = 0; i < 6 && six; ++i) {
            const std::size_t comma = line.find(',', from);
            six = comma != npos;
            field = six ? line.substr(from, comma - from) : std::string_view();
            from = comma + 1;
        }
        if (six && (field == kCurrentFormEventId || field == kSpeedFormEventId))
            return ParseCurrent(line, from, field == kSpeedFormEventId, out);
    }
    return ParseClassic(german, line, out);
}

bool ParseEventMessage(std::string_view lang, std::string_view eventId, std::string_view server,
                       std::string_view message, ConnectionLine& out)
{
    const bool german = IsGerman(lang);
    if (!german && (eventId == kCurrentFormEventId || eventId == kSpeedFormEventId))
        return ParseCurrentMessage(message, server, eventId == kSpeedFormEventId, out);
    // The classic message read as the last field of a line whose server
    // field is empty, so that nothing of the server can be taken for a
    // value; the server is then the one given. Through the line's parse,
    // which so stays the classic parse's one caller (inlined there). The
    // line lasts like out's working space, until the next call.
    thread_local std::string line;
    line.assign(",,").append(message);
    if (!ParseConnectionLine(lang, line, out))
        return false;
    out.Server = server;
    return true;
}

int UnlistedConnectionEvent(std::string_view line)
{
    // date, time, source, type, category, event ID; split here on its own
    // (rare lines), so that the parser's field reader stays inlined there.
    std::string_view field[6];
    std::size_t from = 0;
    for (std::string_view& f : field) {
        const std::size_t comma = line.find(',', from);
        if (comma == npos)
            return 0;
        f = line.substr(from, comma - from);
        from = comma + 1;
    }
    return RemoteAccessConnectionEvent(field[5], field[2]);
}

int RemoteAccessConnectionEvent(std::string_view eventId, std::string_view source)
{
    if (!EqualAsciiFolded(source, "RemoteAccess"))
        return 0;
    return eventId == kCurrentFormEventId ? 20272 : eventId == kSpeedFormEventId ? 20251 : 0;
}

}  // namespace vy
