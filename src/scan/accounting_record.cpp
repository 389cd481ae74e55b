#include "scan/accounting_record.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>

#include "scan/message_values.h"
#include "scan/name_text.h"
#include "store/ascii_text.h"
#include "store/date_value.h"

namespace vy {

namespace {

constexpr std::int64_t kGigaword = std::int64_t{1} << 32;
// Beyond any span of the calendar's years 1 to 9999 in seconds: a delay
// longer than this makes no date, and the sums below cannot overflow.
constexpr std::int64_t kLongestSpan = std::int64_t{400} << 30;

// A name in the single-byte form of the stores: a view into text itself
// when it needs nothing, else a place in store.
struct PlacedName {
    std::string_view Direct;
    std::size_t At = std::string::npos;
    std::size_t Size = 0;
    std::string_view In(const std::string& store) const
    {
        return At == std::string::npos ? Direct : std::string_view(store).substr(At, Size);
    }
};

PlacedName Place(std::string_view text, TextEncoding encoding, std::string& store)
{
    thread_local std::string decoded;
    const std::string_view single = DecodeLine(text, encoding, decoded);
    if (single.data() == text.data() && !HasControlCharacter(single))
        return {single};
    const std::size_t at = store.size();
    store.append(single);
    return {{}, at, single.size()};
}

// An unsigned decimal count; absent (empty) is 0. False when the text is
// not one.
bool ReadCount(std::string_view text, std::int64_t& out)
{
    const std::optional<std::int64_t> v = text.empty() ? 0 : ReadDigits<std::int64_t>(text);
    out = v.value_or(0);
    return v.has_value();
}

// octets + 2^32 x gigawords; false past the signed 64-bit range.
bool ByteSum(std::string_view octets, std::string_view gigawords, std::int64_t& out)
{
    std::int64_t low = 0, high = 0;
    if (!ReadCount(octets, low) || !ReadCount(gigawords, high))
        return false;
    if (high > (std::numeric_limits<std::int64_t>::max() - low) / kGigaword)
        return false;
    out = low + high * kGigaword;
    return true;
}

// The port speed in Connect-Info: the digits at its start or right after a
// leading "CONNECT " (any letter case), leading zeros dropped ("0" for zeros
// alone); nullopt when it gives none.
std::optional<std::string_view> SpeedDigits(std::string_view text)
{
    constexpr std::string_view connect = "CONNECT ";
    if (text.size() >= connect.size() && EqualAsciiFolded(text.substr(0, connect.size()), connect))
        text.remove_prefix(connect.size());
    std::size_t digits = 0;
    while (digits < text.size() && IsAsciiDigit(text[digits]))
        ++digits;
    if (digits == 0)
        return std::nullopt;
    std::size_t zeros = 0;
    while (zeros + 1 < digits && text[zeros] == '0')
        ++zeros;
    return text.substr(zeros, digits - zeros);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

}  // namespace

std::optional<std::int64_t> SecondOf(int year, int month, int day, int hour, int minute, int second)
{
    const std::optional<double> date = EncodeDate(year, month, day);
    if (!date || !EncodeTime(hour, minute, second))
        return std::nullopt;
    return static_cast<std::int64_t>(*date) * 86400 + hour * 3600 + minute * 60 + second;
}

std::string_view FirstLineOf(std::string_view head)
{
    const std::size_t first = std::min(head.find_first_not_of("\r\n"), head.size());
    head.remove_prefix(first);
    return head.substr(0, head.find_first_of("\r\n"));
}

bool ReadStopRecord(const AccountingRecord& r, ConnectionLine& out)
{
    using F = AccountingField;
    if (r[F::UserName].empty() || r[F::SessionTime].empty() || !r.RecordSecond)
        return false;
    std::int64_t session = 0, delay = 0;
    if (!ReadCount(r[F::SessionTime], session) || session > std::numeric_limits<std::int32_t>::max() ||
        !ReadCount(r[F::DelayTime], delay) || delay > kLongestSpan)
        return false;
    if (!ByteSum(r[F::OutputOctets], r[F::OutputGigawords], out.BytesSent) ||
        !ByteSum(r[F::InputOctets], r[F::InputGigawords], out.BytesReceived))
        return false;
    out.ActiveTime = static_cast<std::int32_t>(session);

    // The stop moment less the delay and the session, down to the minute.
    const std::int64_t connect = r.TimeIsConnect ? *r.RecordSecond : *r.RecordSecond - delay - session;
    const std::int64_t minute = FloorDiv(connect, 60);
    const std::int64_t day = FloorDiv(minute, 1440);
    const CivilDate date = DecodeDate(static_cast<double>(day));
    const std::optional<double> when = DateTimeOf(date.Year, date.Month, date.Day,
                                                  static_cast<int>(minute - day * 1440) / 60,
                                                  static_cast<int>(minute - day * 1440) % 60);
    if (!when || static_cast<std::int64_t>(*EncodeDate(date.Year, date.Month, date.Day)) != day)
        return false;  // outside the calendar
    out.DateTime = *when;

    std::string& store = out.Unquoted;
    store.clear();
    const PlacedName name = Place(r[F::UserName], r.Encoding, store);
    const std::string_view server = !r[F::NasIdentifier].empty()  ? r[F::NasIdentifier]
                                    : !r[F::NasIpAddress].empty() ? r[F::NasIpAddress]
                                                                  : r[F::Server];
    const PlacedName placedServer = Place(server, r.Encoding, store);
    const PlacedName port = Place(!r[F::NasPortId].empty() ? r[F::NasPortId] : r[F::NasPort], r.Encoding, store);

    // Every place is taken: the views into store stay valid from here. It
    // holds names only.
    ReplaceControlCharacters(store);
    const std::string_view user = name.In(store);
    std::string_view domain = "Local", userPart = user;
    if (const std::size_t slash = user.find('\\'); slash != std::string_view::npos) {
        domain = user.substr(0, slash);
        userPart = user.substr(slash + 1);
    } else if (const std::size_t at = user.rfind('@'); at != std::string_view::npos) {
        domain = user.substr(at + 1);
        userPart = user.substr(0, at);
    }
    out.Domain = domain;
    out.User.clear();
    AppendAsciiLower(out.User, userPart);
    out.Server = placedServer.In(store);
    out.Port = port.In(store);
    out.Speed = SpeedDigits(r[F::ConnectInfo]).value_or(SpeedDigits(r[F::ConnectInfoStop]).value_or("0"));
    return true;
}

}  // namespace vy
