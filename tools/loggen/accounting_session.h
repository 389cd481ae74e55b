#pragma once
// A generated connection as a RADIUS accounting session: the texts and
// moments that every accounting form writes for it, drawn from the
// connection and a number, so that each form writes the same session.

#include <cstdint>
#include <string>

#include "loggen/log_generator.h"

namespace vy::loggen {

// splitmix64's finaliser: a well-spread number from any other.
std::uint64_t Mix(std::uint64_t x);

struct AccountingSession {
    std::string UserName;       // "DOMAIN\user", "user@DOMAIN" (a realm) or "user"
    std::int64_t StartSecond = 0;  // seconds since 30 Dec 1899: within the connection's minute
    std::int64_t StopSecond = 0;   // StartSecond + the active time
    int Delay = 0;                 // Acct-Delay-Time of the first Stop
    std::string ConnectInfo;       // written by the NAS; gives the connection's speed
    std::string SessionId;         // Acct-Session-Id
    std::string UniqueId;          // Acct-Unique-Session-Id: 32 hex digits
    std::string NasAddress;        // NAS-IP-Address
    int NasPort = 0;
    std::uint64_t Draw = 0;        // for the writers' own choices
};

AccountingSession SessionOf(const Connection& c, std::uint64_t draw);

// "Mon Dec  7 22:27:56 2026": C's ctime() without its line end.
std::string CtimeText(std::int64_t second);
// "Dec  7 2026 22:27:56 UTC": how FreeRADIUS writes a date attribute.
std::string RadiusDateText(std::int64_t second);
// Seconds since 1 January 1970 of a second since 30 Dec 1899.
std::int64_t UnixSeconds(std::int64_t second);

}  // namespace vy::loggen
