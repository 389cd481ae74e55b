#include "loggen/accounting_session.h"

#include <cmath>
#include <cstdio>

#include "store/date_value.h"

namespace vy::loggen {

namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::int64_t kUnixEpochDay = 25569;  // 1 January 1970

}  // namespace

std::uint64_t Mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

AccountingSession SessionOf(const Connection& c, std::uint64_t draw)
{
    AccountingSession s;
    s.Draw = draw;
    if (c.Domain.empty())
        s.UserName = c.User;
    else if (draw % 4 == 0)
        s.UserName = c.User + "@" + c.Domain;  // a realm
    else
        s.UserName = c.Domain + "\\" + c.User;
    s.StartSecond = std::llround(c.Start * 1440.0) * 60 + static_cast<std::int64_t>(draw >> 8 & 63) % 60;
    s.StopSecond = s.StartSecond + c.ActiveSeconds;
    s.Delay = draw % 5 == 0 ? static_cast<int>(draw >> 16 & 7) : 0;
    switch (draw >> 20 & 3) {
    case 0: s.ConnectInfo = "CONNECT " + c.Speed; break;
    case 1: s.ConnectInfo = c.Speed + "/28800 V42BIS"; break;
    case 2: s.ConnectInfo = "connect 0" + c.Speed + " LAPM/V42BIS"; break;
    default: s.ConnectInfo = c.Speed; break;
    }
    char id[40];
    std::snprintf(id, sizeof id, "%08llX", static_cast<unsigned long long>(Mix(draw) & 0xFFFFFFFFull));
    s.SessionId = id;
    std::snprintf(id, sizeof id, "%016llx%016llx", static_cast<unsigned long long>(Mix(draw + 1)),
                  static_cast<unsigned long long>(Mix(draw + 2)));
    s.UniqueId = id;
    std::uint64_t h = 0;
    for (char ch : c.Server)
        h = h * 31 + static_cast<unsigned char>(ch);
    s.NasAddress = "192.0.2." + std::to_string(h % 250 + 1);
    s.NasPort = static_cast<int>(draw >> 24 & 1023);
    return s;
}

std::string CtimeText(std::int64_t second)
{
    const double day = static_cast<double>(second / 86400);
    const CivilDate d = DecodeDate(day);
    const int sod = static_cast<int>(second % 86400);
    char text[40];
    std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %d", kWeekdays[DayOfWeek(day) - 1], kMonths[d.Month - 1],
                  d.Day, sod / 3600, sod / 60 % 60, sod % 60, d.Year);
    return text;
}

std::string RadiusDateText(std::int64_t second)
{
    const CivilDate d = DecodeDate(static_cast<double>(second / 86400));
    const int sod = static_cast<int>(second % 86400);
    char text[40];
    std::snprintf(text, sizeof text, "%s %2d %d %02d:%02d:%02d UTC", kMonths[d.Month - 1], d.Day, d.Year, sod / 3600,
                  sod / 60 % 60, sod % 60);
    return text;
}

std::int64_t UnixSeconds(std::int64_t second) { return second - kUnixEpochDay * 86400; }

}  // namespace vy::loggen
