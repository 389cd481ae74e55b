#pragma once
// The classic line rules written the plain way, one value at a time, each
// searching the whole line again: what ParseConnectionLine and LineMatcher
// are compared with by the tests and the fuzzer.

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "scan/active_time.h"
#include "store/date_value.h"

namespace vy::reference {

constexpr std::size_t npos = std::string_view::npos;

struct Values {
    double DateTime = 0;
    std::string Domain, User, Server, Port, Speed;
    std::int32_t ActiveTime = 0;
    std::int64_t BytesSent = 0, BytesReceived = 0;
};

inline bool IsConnectionLine(std::string_view lang, std::string_view line, std::string_view ids)
{
    if (line.find(lang == "DE" ? "Verbindungszeit:" : "The user was active for") == npos)
        return false;
    for (std::size_t i = 0; 6 * i + 5 <= ids.size(); ++i)
        if (line.find("," + std::string(ids.substr(6 * i, 5)) + ",") != npos)
            return true;
    return false;
}

inline std::optional<std::int64_t> Number(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    i += i < text.size() && (text[i] == '-' || text[i] == '+');
    if (i == text.size())
        return std::nullopt;
    unsigned __int128 value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        if (value > (static_cast<unsigned __int128>(1) << 63) - (negative ? 0 : 1))
            return std::nullopt;
    }
    return negative ? static_cast<std::int64_t>(-value) : static_cast<std::int64_t>(value);
}

inline int Digit(char c) { return c >= '0' && c <= '9' ? c - '0' : -1000; }

// Every value, or nullopt when any of them cannot be taken out.
inline std::optional<Values> Parse(std::string_view lang, std::string_view line)
{
    const bool de = lang == "DE";
    Values v;
    auto after = [&](std::string_view marker) {
        const std::size_t at = line.find(marker);
        return at == npos ? npos : at + marker.size();
    };
    // Date and time around the first time marker.
    const std::size_t p = line.find(de ? " um " : " at ");
    if (p == npos || p < 10 || p + 10 >= line.size())
        return std::nullopt;
    auto two = [&](std::size_t i) { return Digit(line[i]) * 10 + Digit(line[i + 1]); };
    const int month = two(p - 10), day = two(p - 7), century = two(p - 4), year = two(p - 2);
    const int hour12 = two(p + 4), minute = two(p + 7);
    const bool am = line.substr(p + 9, 2) == "am";
    const int hour = am ? (hour12 == 12 ? 0 : hour12) : (hour12 == 12 ? 12 : hour12 + 12);
    if (month < 0 || day < 0 || century < 0 || year < 0 || hour12 < 0 || minute < 0)
        return std::nullopt;
    const auto date = EncodeDate(century * 100 + year, month, day);
    const auto time = EncodeTime(hour, minute, 0);
    if (!date || !time)
        return std::nullopt;
    v.DateTime = *date + *time;
    // Domain and server around the start marker.
    const std::string_view start = de ? ",Der Benutzer " : ",The user ";
    const std::size_t m = line.find(start);
    if (m == npos || m == 0)
        return std::nullopt;
    const std::size_t domainEnd = line.find_first_of("\\ ", m + start.size());
    const std::size_t serverComma = line.rfind(',', m - 1);
    if (domainEnd == npos || serverComma == npos)
        return std::nullopt;
    const std::size_t domain = m + start.size();
    v.Domain = line[domainEnd] == ' ' ? "Local" : std::string(line.substr(domain, domainEnd - domain));
    v.Server = line.substr(serverComma + 1, m - serverComma - 1);
    // The user from the first "\" of the line to its follower.
    const std::size_t um = line.find(de ? ",Der Benutzer" : ",The user");
    const std::size_t c = line.find(de ? "hat sich an Anschlu" : "connected on port");
    if (um == npos || c == npos)
        return std::nullopt;
    const std::size_t b = line.find('\\') != npos ? line.find('\\') : um + (de ? 13 : 9);
    for (std::size_t i = b + 1; i + 1 < c; ++i)
        v.User += static_cast<char>(line[i] >= 'A' && line[i] <= 'Z' ? line[i] + 32 : line[i]);
    // The port after its marker.
    const std::size_t port = after(de ? "hat sich an Anschlu" : "connected on port ");
    if (port == npos)
        return std::nullopt;
    const std::size_t portBegin = port + (de ? 2 : 0);
    const std::size_t portEnd = line.find(' ', portBegin + (de ? 1 : 0));
    if (portEnd == npos)
        return std::nullopt;
    v.Port = line.substr(portBegin, portEnd - portBegin);
    // The speed, the active time and the byte counts.
    const std::size_t speed = after(de ? "Geschwindigkeit: " : "The port speed was ");
    const std::size_t speedEnd = speed == npos ? npos : line.find('.', speed);
    const std::size_t active = after(de ? "Verbindungszeit:" : "The user was active for");
    if (speedEnd == npos || active == npos)
        return std::nullopt;
    v.Speed = line.substr(speed, speedEnd - speed);
    const auto duration = ReadDuration(line.substr(active));
    const std::size_t sent = after(de ? "s.  " : " seconds.  ");
    const std::size_t sentEnd = line.find(de ? " Bytes wurden gesendet und " : " bytes were sent ");
    const std::size_t received = after(de ? "Bytes wurden gesendet und " : "bytes were sent and ");
    const std::size_t receivedEnd = line.find(de ? " Bytes empfangen. " : " bytes were received.");
    if (!duration || sent == npos || sentEnd == npos || sentEnd <= sent || received == npos ||
        receivedEnd == npos || receivedEnd <= received)
        return std::nullopt;
    const auto sentCount = Number(line.substr(sent, sentEnd - sent));
    const auto receivedCount = Number(line.substr(received, receivedEnd - received));
    if (!sentCount || !receivedCount)
        return std::nullopt;
    v.ActiveTime = *duration;
    v.BytesSent = *sentCount;
    v.BytesReceived = *receivedCount;
    return v;
}

// Whether an exclusion list names the name: whole items between blanks,
// commas and semicolons, A to Z compared without regard to case.
inline bool IsListed(std::string_view name, std::string_view list)
{
    auto lower = [](std::string_view s) {
        std::string out(s);
        for (char& c : out)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        return out;
    };
    const std::string folded = lower(list);
    std::string item;
    for (std::size_t i = 0; i <= folded.size(); ++i) {
        if (i == folded.size() || folded[i] == ' ' || folded[i] == ',' || folded[i] == ';') {
            if (!item.empty() && item == lower(name))
                return true;
            item.clear();
        } else {
            item += folded[i];
        }
    }
    return false;
}

// n bytes drawn from alphabet: few distinct bytes make many near misses.
inline std::string RandomText(std::mt19937& rng, std::string_view alphabet, std::size_t n)
{
    std::string text(n, ' ');
    for (char& c : text)
        c = alphabet[rng() % alphabet.size()];
    return text;
}

}  // namespace vy::reference
