#pragma once
// The values of an accounting Stop record, shared by every accounting form
// (RADIUS detail files, radacct table copies, NPS and RRAS logs). A form's
// reader finds the record's attributes as written, escapes undone, and
// hands them here; the rules that turn them into a connection are the same
// for every form, so that one session gives the same record whatever server
// wrote it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "scan/line_parser.h"
#include "scan/log_reader.h"

namespace vy {

// The attributes a Stop record is read from, and the two that tell a Stop.
enum class AccountingField : std::uint8_t {
    UserName,  // "DOMAIN\user", "user@realm" or "user"
    NasIdentifier,
    NasIpAddress,
    Server,  // the computer name (NPS forms) or the folder's name (detail), when the NAS is not named
    NasPortId,
    NasPort,
    ConnectInfo,
    ConnectInfoStop,  // read for the speed when ConnectInfo gives none (radacct)
    SessionTime,      // whole seconds
    DelayTime,
    InputOctets,
    OutputOctets,
    InputGigawords,
    OutputGigawords,
    StatusType,
    PacketType,
    Count
};

// An attribute where a form's line puts it: the field's place or the
// attribute's number.
struct NumberedField {
    int Number;
    AccountingField Attribute;
};
constexpr std::size_t kAccountingFields = static_cast<std::size_t>(AccountingField::Count);

// One Stop record's attributes as found. Every text is the attribute's bytes
// after the form's own escapes are undone, not yet decoded; empty means
// absent (RADIUS carries no empty attribute). The views must stay valid
// while the ConnectionLine made from them is in use.
struct AccountingRecord {
    std::array<std::string_view, kAccountingFields> Fields{};
    std::string_view operator[](AccountingField f) const { return Fields[static_cast<std::size_t>(f)]; }
    std::string_view& operator[](AccountingField f) { return Fields[static_cast<std::size_t>(f)]; }
    // The record's own time as the server wrote it, in whole seconds since
    // 30 December 1899 (see SecondOf); nullopt when missing or not a time.
    // Normally the moment the server took the Stop; with TimeIsConnect the
    // connect time itself (radacct's acctstarttime).
    std::optional<std::int64_t> RecordSecond;
    bool TimeIsConnect = false;
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

}  // namespace vy
