#pragma once
// The values of an accounting Stop record, shared by every accounting form
// (RADIUS detail files, radacct table copies, NPS and RRAS logs). A form's
// reader finds the record's attributes as written, escapes undone, and
// hands them here; the rules that turn them into a connection are the same
// for every form, so that one session gives the same record whatever server
// wrote it.

#include <cstdint>
#include <optional>
#include <string_view>

#include "scan/line_parser.h"
#include "scan/log_reader.h"

namespace vy {

// One Stop record's attributes as found. Every text is the attribute's bytes
// after the form's own escapes are undone, not yet decoded; empty means
// absent (RADIUS carries no empty attribute). The views must stay valid
// while the ConnectionLine made from them is in use.
struct AccountingRecord {
    std::string_view UserName;  // "DOMAIN\user", "user@realm" or "user"
    std::string_view NasIdentifier;
    std::string_view NasIpAddress;
    std::string_view FallbackServer;  // the computer name (NPS forms) or the folder's name (detail)
    std::string_view NasPortId;
    std::string_view NasPort;
    std::string_view ConnectInfo;
    std::string_view ConnectInfoStop;  // read for the speed when ConnectInfo gives none (radacct)
    std::string_view SessionTime;      // whole seconds
    std::string_view DelayTime;
    std::string_view InputOctets;
    std::string_view OutputOctets;
    std::string_view InputGigawords;
    std::string_view OutputGigawords;
    // The record's own time as the server wrote it, in whole seconds since
    // 30 December 1899 (see SecondOf); nullopt when missing or not a time.
    // Normally the moment the server took the Stop; with TimeIsConnect the
    // connect time itself (radacct's acctstarttime).
    std::optional<std::int64_t> RecordSecond;
    bool TimeIsConnect = false;
    std::int64_t Line = 0;  // the line where the record starts, counted from 1
    TextEncoding Encoding = TextEncoding::SingleByte;  // the file's, as LogReader found it
};

// Seconds since 30 December 1899 of a calendar date and time; nullopt for a
// date that does not exist or a time out of range.
std::optional<std::int64_t> SecondOf(int year, int month, int day, int hour, int minute, int second);

// The connection of a Stop record into out; false when the record cannot be
// read (no user name or session time, a number that is not one, bytes past
// the 64-bit range, no usable time). The views of out point into record's
// texts, string constants and out's own strings.
bool ReadStopRecord(const AccountingRecord& record, ConnectionLine& out);

// The first line of head that is not empty, without its line end: what
// every accounting form is told by.
std::string_view FirstLineOf(std::string_view head);

// The port speed in Connect-Info: the digits at its start or right after a
// leading "CONNECT " (any letter case), leading zeros dropped; "0" when
// there are none. A view into text, or "0".
std::string_view SpeedOfConnectInfo(std::string_view text);

}  // namespace vy
