#include "scan/line_parser.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "scan/active_time.h"
#include "scan/marker_anchors.h"
#include "store/date_value.h"

namespace vy {

namespace {

const LineMarkers kEnglish{
    "The user was active for",
    ",The user ",
    ",The user",
    "connected on port",
    "connected on port ",
    " at ",
    " seconds.  ",
    " bytes were sent ",
    "bytes were sent and ",
    " bytes were received.",
    "The port speed was ",
};

// "Anschluß" ends in the single byte 0xDF; the marker stops before it, and
// the port begins two bytes after the marker (past the 0xDF and a blank).
const LineMarkers kGerman{
    "Verbindungszeit:",
    ",Der Benutzer ",
    ",Der Benutzer",
    "hat sich an Anschlu",
    "hat sich an Anschlu",
    " um ",
    "s.  ",
    " Bytes wurden gesendet und ",
    "Bytes wurden gesendet und ",
    " Bytes empfangen. ",
    "Geschwindigkeit: ",
};

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kLocal = "Local";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Two digits at i and i + 1, both inside the line; -1 otherwise.
int TwoDigits(std::string_view line, std::size_t i)
{
    if (i + 1 >= line.size() || !IsDigit(line[i]) || !IsDigit(line[i + 1]))
        return -1;
    return (line[i] - '0') * 10 + (line[i + 1] - '0');
}

// EncodeDate, remembering its last answer on each thread: the lines of a
// log come in the order of their dates, so most repeat the date before.
std::optional<double> DateOf(int year, int month, int day)
{
    struct Last {
        int Year = -1, Month = -1, Day = -1;
        std::optional<double> Value;
    };
    thread_local Last last;
    if (year != last.Year || month != last.Month || day != last.Day) {
        last.Value = EncodeDate(year, month, day);
        last.Year = year;
        last.Month = month;
        last.Day = day;
    }
    return last.Value;
}

// p: the time marker.
std::optional<double> DateTimeAt(std::string_view line, std::size_t p)
{
    if (p == npos || p < 10)
        return std::nullopt;
    const int month = TwoDigits(line, p - 10);
    const int day = TwoDigits(line, p - 7);
    const int yearHigh = TwoDigits(line, p - 4);
    const int yearLow = TwoDigits(line, p - 2);
    const int hour12 = TwoDigits(line, p + 4);
    const int minute = TwoDigits(line, p + 7);
    // The half of the day must be inside the line as well: a line cut off
    // after the minute is not a whole connection line.
    if (month < 0 || day < 0 || yearHigh < 0 || yearLow < 0 || hour12 < 0 || minute < 0 || p + 10 >= line.size())
        return std::nullopt;
    const bool morning = line[p + 9] == 'a' && line[p + 10] == 'm';
    int hour = hour12;
    if (morning)
        hour = hour12 == 12 ? 0 : hour12;
    else
        hour = hour12 == 12 ? 12 : hour12 + 12;
    const auto date = DateOf(yearHigh * 100 + yearLow, month, day);
    const auto time = EncodeTime(hour, minute, 0);
    if (!date || !time)
        return std::nullopt;
    return *date + *time;
}

// The first occurrence of marker + " ", given the first occurrence of the
// marker alone: the longer text cannot come earlier. find(from) looks for
// the longer text.
template <typename Find>
std::size_t WithBlankAfter(std::string_view line, std::size_t at, std::size_t markerSize, Find find)
{
    if (at == npos)
        return npos;
    const std::size_t after = at + markerSize;
    if (after < line.size() && line[after] == ' ')
        return at;
    return find(at + 1);
}

// The extractors below take the marker positions found by their callers,
// so that a whole line is searched once per marker.

// m: the start marker.
std::optional<std::string_view> DomainAt(const LineMarkers& mk, std::string_view line, std::size_t m)
{
    if (m == npos)
        return std::nullopt;
    const std::size_t from = m + mk.Start.size();
    const std::size_t end = line.find_first_of("\\ ", from);
    if (end == npos)
        return std::nullopt;
    if (line[end] == ' ')
        return kLocal;
    return line.substr(from, end - from);
}

// The user as written in the line, possibly empty; nullopt when a marker is
// missing. m: the user's start marker; c: the text that follows the user.
std::optional<std::string_view> UserAt(const LineMarkers& mk, std::string_view line, std::size_t m, std::size_t c)
{
    if (m == npos || c == npos)
        return std::nullopt;
    // The first "\" of the whole line, wherever it stands; without one, the
    // blank after the marker.
    const std::size_t slash = line.find('\\');
    const std::size_t b = slash != npos ? slash : m + mk.UserStart.size();
    // A user that would end before it begins is the empty text.
    if (c < b + 2)
        return std::string_view();
    return line.substr(b + 1, c - b - 2);
}

void AppendLowered(std::string& out, std::string_view text)
{
    const std::size_t at = out.size();
    out.append(text);
    for (std::size_t i = at; i < out.size(); ++i)
        if (out[i] >= 'A' && out[i] <= 'Z')
            out[i] = static_cast<char>(out[i] - 'A' + 'a');
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

// m: the text before the port.
std::optional<std::string_view> PortAt(const LineMarkers& mk, bool german, std::string_view line, std::size_t m)
{
    if (m == npos)
        return std::nullopt;
    const std::size_t from = m + mk.BeforePort.size() + (german ? 2 : 0);
    // German ports have at least one byte: the blank is looked for one
    // byte further on.
    const std::size_t end = line.find(' ', german ? from + 1 : from);
    if (end == npos)
        return std::nullopt;
    return line.substr(from, end - from);
}

std::size_t StartMarker(const LineMarkers& mk, std::string_view line)
{
    return FindMarker(line, mk.Start);
}

// m: the text before the speed.
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

// a: the text before the number, of beforeSize bytes; b: the text after it.
std::optional<std::int32_t> NumberAt(std::string_view line, std::size_t a, std::size_t beforeSize, std::size_t b)
{
    if (a == npos || b == npos)
        return std::nullopt;
    const std::size_t from = a + beforeSize;
    if (b <= from)
        return std::nullopt;
    return ParseByteCount(line.substr(from, b - from));
}

}  // namespace

bool IsGermanLanguage(std::string_view lang) { return lang == "DE"; }

const LineMarkers& EnglishMarkers() { return kEnglish; }
const LineMarkers& GermanMarkers() { return kGerman; }
const LineMarkers& MarkersFor(std::string_view lang) { return IsGermanLanguage(lang) ? kGerman : kEnglish; }

bool IsConnectionLine(std::string_view lang, std::string_view line, std::string_view ids)
{
    const std::size_t slots = (ids.size() + 1) / 6;
    if (slots == 0 || FindMarker(line, MarkersFor(lang).Recognition) == npos)
        return false;
    char field[7] = {','};
    field[6] = ',';
    for (std::size_t i = 0; i < slots; ++i) {
        std::memcpy(field + 1, ids.data() + 6 * i, 5);
        if (FindMarker(line, std::string_view(field, 7)) != npos)
            return true;
    }
    return false;
}

LineMatcher::LineMatcher(std::string_view lang, std::string_view ids)
    : german_(IsGermanLanguage(lang)), marker_(MarkersFor(lang).Recognition)
{
    const std::size_t slots = (ids.size() + 1) / 6;
    for (std::size_t i = 0; i < slots; ++i) {
        const std::string field = "," + std::string(ids.substr(6 * i, 5)) + ",";
        if (std::none_of(idFields_.begin(), idFields_.end(),
                         [&field](const PreparedMarker& m) { return m.Text() == field; }))
            idFields_.emplace_back(field);
    }
}

bool LineMatcher::IsConnectionLine(std::string_view line) const
{
    // Most lines lack the marker, so one pass over them settles it.
    return marker_.FindIn(line) != npos && IsConnectionLineWithMarker(line);
}

bool LineMatcher::IsConnectionLineWithMarker(std::string_view line) const
{
    for (const PreparedMarker& field : idFields_)
        if (field.FindIn(line) != npos)
            return true;
    return false;
}

std::optional<std::int32_t> ParseByteCount(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i]))
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<double> ExtractDateTime(std::string_view lang, std::string_view line)
{
    return DateTimeAt(line, FindMarker(line, MarkersFor(lang).TimeMarker));
}

std::optional<std::string_view> ExtractDomain(std::string_view lang, std::string_view line)
{
    const LineMarkers& mk = MarkersFor(lang);
    return DomainAt(mk, line, StartMarker(mk, line));
}

std::optional<std::string> ExtractUser(std::string_view lang, std::string_view line)
{
    const LineMarkers& mk = MarkersFor(lang);
    const auto raw = UserAt(mk, line, FindMarker(line, mk.UserStart), FindMarker(line, mk.AfterUser));
    if (!raw)
        return std::nullopt;
    std::string user;
    AppendLowered(user, *raw);
    return user;
}

std::optional<std::string_view> ExtractServer(std::string_view lang, std::string_view line)
{
    return ServerAt(line, StartMarker(MarkersFor(lang), line));
}

std::optional<std::string_view> ExtractPort(std::string_view lang, std::string_view line)
{
    const LineMarkers& mk = MarkersFor(lang);
    return PortAt(mk, IsGermanLanguage(lang), line, FindMarker(line, mk.BeforePort));
}

std::optional<std::string_view> ExtractSpeed(std::string_view lang, std::string_view line)
{
    const LineMarkers& mk = MarkersFor(lang);
    return SpeedAt(mk, line, FindMarker(line, mk.BeforeSpeed));
}

std::optional<std::int32_t> ExtractBytesSent(std::string_view lang, std::string_view line)
{
    const LineMarkers& mk = MarkersFor(lang);
    return NumberAt(line, FindMarker(line, mk.BeforeSent), mk.BeforeSent.size(), FindMarker(line, mk.AfterSent));
}

std::optional<std::int32_t> ExtractBytesReceived(std::string_view lang, std::string_view line)
{
    const LineMarkers& mk = MarkersFor(lang);
    return NumberAt(line, FindMarker(line, mk.BeforeReceived), mk.BeforeReceived.size(),
                    FindMarker(line, mk.AfterReceived));
}

namespace {

// One language's markers prepared for LineAnchors, with the bytes whose
// places a line's pass records: bytes that are rare in a connection line and
// that every marker holds at least one of.
struct AnchoredMarkers {
    AnchorSet Set;
    AnchoredMarker Recognition, Start, UserStart, AfterUser, BeforePort, TimeMarker, BeforeSent, AfterSent,
        BeforeReceived, AfterReceived, BeforeSpeed;

    AnchoredMarkers(const LineMarkers& mk, std::string_view anchors)
        : Set(anchors), Recognition(Set.Plan(mk.Recognition)), Start(Set.Plan(mk.Start)),
          UserStart(Set.Plan(mk.UserStart)), AfterUser(Set.Plan(mk.AfterUser)), BeforePort(Set.Plan(mk.BeforePort)),
          TimeMarker(Set.Plan(mk.TimeMarker)), BeforeSent(Set.Plan(mk.BeforeSent)), AfterSent(Set.Plan(mk.AfterSent)),
          BeforeReceived(Set.Plan(mk.BeforeReceived)), AfterReceived(Set.Plan(mk.AfterReceived)),
          BeforeSpeed(Set.Plan(mk.BeforeSpeed))
    {
    }
};

const AnchoredMarkers& AnchoredFor(bool german)
{
    // Bytes rare in a connection line, rarest first: each marker is looked
    // for where the first of them that it holds stands. " at " and " um "
    // hold none and are looked for the plain way.
    static const AnchoredMarkers english(kEnglish, "Ty.p");
    static const AnchoredMarkers germanMarkers(kGerman, "VDGBA.");
    return german ? germanMarkers : english;
}

// The first occurrences of the markers that every connection line holds,
// searched from the start of the line.
struct MarkerPlaces {
    enum Which { UserStart, AfterUser, TimeMarker, Recognition, BeforeSent, AfterSent, BeforeReceived, AfterReceived,
                 BeforeSpeed, Count };
    std::size_t At[Count];
};

const AnchoredMarker* const* SearchedFromStart(const AnchoredMarkers& am)
{
    static const AnchoredMarker* const english[MarkerPlaces::Count] = {
        &AnchoredFor(false).UserStart, &AnchoredFor(false).AfterUser, &AnchoredFor(false).TimeMarker,
        &AnchoredFor(false).Recognition, &AnchoredFor(false).BeforeSent, &AnchoredFor(false).AfterSent,
        &AnchoredFor(false).BeforeReceived, &AnchoredFor(false).AfterReceived, &AnchoredFor(false).BeforeSpeed};
    static const AnchoredMarker* const german[MarkerPlaces::Count] = {
        &AnchoredFor(true).UserStart, &AnchoredFor(true).AfterUser, &AnchoredFor(true).TimeMarker,
        &AnchoredFor(true).Recognition, &AnchoredFor(true).BeforeSent, &AnchoredFor(true).AfterSent,
        &AnchoredFor(true).BeforeReceived, &AnchoredFor(true).AfterReceived, &AnchoredFor(true).BeforeSpeed};
    return &am == &AnchoredFor(true) ? german : english;
}

// Every value of the line from the markers' first occurrences; the
// extractors' rules apply to the places. findFrom(marker, from) looks for
// the longer markers after a shorter one that is not followed by a blank.
template <typename FindFrom>
bool ParseAt(const LineMarkers& mk, const AnchoredMarkers& am, bool german, std::string_view line,
             const MarkerPlaces& p, ConnectionLine& out, FindFrom findFrom)
{
    using W = MarkerPlaces;
    // The start marker is the user's marker and a blank, and the English
    // port marker the user's follower and a blank (the German one is the
    // follower itself): each longer marker is looked for from the shorter.
    const std::size_t userStart = p.At[W::UserStart];
    const std::size_t start = WithBlankAfter(line, userStart, mk.UserStart.size(),
                                             [&](std::size_t from) { return findFrom(am.Start, from); });
    const std::size_t afterUser = p.At[W::AfterUser];
    const std::size_t beforePort =
        german ? afterUser
               : WithBlankAfter(line, afterUser, mk.AfterUser.size(),
                                [&](std::size_t from) { return findFrom(am.BeforePort, from); });

    const auto dateTime = DateTimeAt(line, p.At[W::TimeMarker]);
    if (!dateTime)
        return false;
    const auto domain = DomainAt(mk, line, start);
    const auto user = UserAt(mk, line, userStart, afterUser);
    const auto server = ServerAt(line, start);
    const auto port = PortAt(mk, german, line, beforePort);
    if (!domain || !user || !server || !port)
        return false;
    const auto speed = SpeedAt(mk, line, p.At[W::BeforeSpeed]);
    const std::size_t recognition = p.At[W::Recognition];
    if (!speed || recognition == npos)
        return false;
    const auto active = ReadDuration(line.substr(recognition + mk.Recognition.size()));
    const auto sent = NumberAt(line, p.At[W::BeforeSent], mk.BeforeSent.size(), p.At[W::AfterSent]);
    const auto received = NumberAt(line, p.At[W::BeforeReceived], mk.BeforeReceived.size(), p.At[W::AfterReceived]);
    if (!active || !sent || !received)
        return false;

    out.DateTime = *dateTime;
    out.Domain = *domain;
    out.User.clear();
    AppendLowered(out.User, *user);
    out.Server = *server;
    out.Port = *port;
    out.Speed = *speed;
    out.ActiveTime = *active;
    out.BytesSent = *sent;
    out.BytesReceived = *received;
    return true;
}

}  // namespace

bool ParseConnectionLine(std::string_view lang, std::string_view line, ConnectionLine& out)
{
    const bool german = IsGermanLanguage(lang);
    const LineMarkers& mk = german ? kGerman : kEnglish;
    const AnchoredMarkers& am = AnchoredFor(german);
    const AnchoredMarker* const* searched = SearchedFromStart(am);
    MarkerPlaces places;
    // One pass records the anchors; a line too long for the maps is searched
    // marker by marker.
    LineAnchors anchors;
    if (anchors.Load(am.Set, line)) {
        anchors.FindEach(searched, MarkerPlaces::Count, places.At);
        return ParseAt(mk, am, german, line, places, out,
                       [&anchors](const AnchoredMarker& m, std::size_t from) { return anchors.Find(m, from); });
    }
    for (std::size_t i = 0; i < MarkerPlaces::Count; ++i)
        places.At[i] = FindMarker(line, searched[i]->Text);
    return ParseAt(mk, am, german, line, places, out,
                   [line](const AnchoredMarker& m, std::size_t from) { return FindMarker(line, m.Text, from); });
}

}  // namespace vy
