#pragma once
// What the three NPS / RRAS accounting log forms (DTS XML, "database-
// compatible", IAS) share: one record a line, its attributes gathered by
// what they mean, the record's own date and time as the server wrote them,
// and the reading of such a file record by record.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scan/accounting_record.h"
#include "scan/forms/log_form_table.h"

namespace vy {

// One record as a line of the file holds it. A value is the attribute's
// text with the form's quoting, entities or hex undone; empty when absent.
class NpsRecord {
public:
    void Clear();
    // A buffer for attribute a's value when it has to be rewritten; emptied.
    std::string& Buffer(AccountingField a);
    // The buffer of a as its value.
    void SetFromBuffer(AccountingField a) { Values[a] = buffers_[static_cast<std::size_t>(a)]; }

    AccountingRecord Values;
    std::string_view Date;  // MM/DD/YYYY
    std::string_view Time;  // HH:MM:SS, perhaps with a fraction
    // False when the line breaks off or breaks the form's rules: a record
    // cut short, an unterminated quote, hex of odd length, fields missing.
    bool Whole = true;
    // The line had a line end: the last line of a file may not, when the
    // file was cut in it.
    bool LineEnded = true;

private:
    std::array<std::string, kAccountingFields> buffers_;
};

// How a form reads its lines.
struct NpsLineForm {
    // Fills record from one line; false when the line is no record of the
    // form at all (garbage between records, a blank line).
    bool (*Parse)(std::string_view line, NpsRecord& record);
    // A quick look that passes most lines unparsed: true when the line
    // certainly is no Stop, whole or damaged, by NoStop on the texts of its
    // status and packet type (empty when absent or not found).
    bool (*NoStop)(std::string_view line);
};

// Reads the rest of the file, one record a line: each Stop a connection,
// each Stop that cannot be read (and each damaged record that may have
// been one) counted with its line. False when the sink said stop.
bool ReadNpsLines(FormReading& reading, const NpsLineForm& form);

// Whether a record with these Acct-Status-Type and Packet-Type texts is
// certainly no Stop: its status a number other than Stop's, or no number
// for a status and a packet type other than Accounting-Request.
bool NoStop(std::string_view status, std::string_view packetType);

// Whether text is a date MM/DD/YYYY, or a time HH:MM:SS: what the
// recognisers look for.
bool IsNpsDate(std::string_view text);
bool IsNpsTime(std::string_view text);

}  // namespace vy
