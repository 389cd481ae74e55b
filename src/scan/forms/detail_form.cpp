// FreeRADIUS detail files (radacct/<client>/detail-YYYYMMDD): each record a
// header line with the server's clock on receipt, C's ctime form
// ("Mon Dec  7 22:27:56 2026"), then its attributes one a line after a tab,
// "Name = value", up to a blank line or the next header. Strings are quoted
// with \\ \" \n \r \t and \ooo (a byte in octal) escapes; other values bare
// (numbers, enumerated names, addresses, 0x octets). The detail module ends
// every record with its Timestamp line: a Stop without it was cut short.
//
// Each Stop record is a connection; every other record is none. A Stop
// that was cut, damaged or merged with another is counted as unreadable at
// the line of its header.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "scan/accounting_record.h"
#include "scan/forms/log_form_table.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

int TwoDigits(std::string_view text, std::size_t at)
{
    const char a = text[at], b = text[at + 1];
    if (!IsAsciiDigit(b) || !(IsAsciiDigit(a) || a == ' '))
        return -1;
    return (a == ' ' ? 0 : a - '0') * 10 + (b - '0');
}

// "Www Mmm dd hh:mm:ss yyyy", the day padded with a blank: the second it
// names, or nullopt.
std::optional<std::int64_t> ReadCtime(std::string_view line)
{
    static constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static constexpr std::array<std::string_view, 7> kDays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    if (line.size() != 24 || line[3] != ' ' || line[7] != ' ' || line[10] != ' ' || line[13] != ':' ||
        line[16] != ':' || line[19] != ' ' || std::find(kDays.begin(), kDays.end(), line.substr(0, 3)) == kDays.end())
        return std::nullopt;
    const auto month = std::find(kMonths.begin(), kMonths.end(), line.substr(4, 3)) - kMonths.begin() + 1;
    const int day = TwoDigits(line, 8);
    const int hour = TwoDigits(line, 11), minute = TwoDigits(line, 14), second = TwoDigits(line, 17);
    const int century = TwoDigits(line, 20), years = TwoDigits(line, 22);
    if (month > 12 || day < 1 || hour < 0 || minute < 0 || second < 0 || century < 0 || years < 0 ||
        line[11] == ' ' || line[14] == ' ' || line[17] == ' ' || line[20] == ' ' || line[22] == ' ')
        return std::nullopt;
    // The records of a file come day by day: the day's number is kept.
    thread_local char lastText[10] = {};  // "Mmm dd" and "yyyy"
    thread_local std::optional<std::int64_t> lastStart;
    if (std::memcmp(lastText, line.data() + 4, 6) != 0 || std::memcmp(lastText + 6, line.data() + 20, 4) != 0) {
        std::memcpy(lastText, line.data() + 4, 6);
        std::memcpy(lastText + 6, line.data() + 20, 4);
        lastStart = SecondOf(century * 100 + years, static_cast<int>(month), day, 0, 0, 0);
    }
    if (!lastStart || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return *lastStart + hour * 3600 + minute * 60 + second;
}

// A quoted value's text without its quotes, escapes undone, into out;
// false when an escape is cut short or unknown, or the closing quote is
// missing or not last.
bool Unescape(std::string_view quoted, std::string& out)
{
    out.clear();
    if (quoted.size() < 2 || quoted.back() != '"')
        return false;
    const std::string_view text = quoted.substr(1, quoted.size() - 2);
    if (std::none_of(text.begin(), text.end(), [](char c) { return c == '\\' || c == '"'; })) {
        out.assign(text);  // most values: nothing to undo
        return true;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            return false;  // a quote that ends the value before its end
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i == text.size())
            return false;  // the closing quote was escaped: cut short
        if (const std::size_t named = std::string_view("\\\"nrt").find(text[i]); named != std::string_view::npos) {
            out.push_back("\\\"\n\r\t"[named]);
            continue;
        }
        auto octal = [&](std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '7'; };
        if (!octal(i) || !octal(i + 1) || !octal(i + 2) || text[i] > '3')
            return false;
        out.push_back(static_cast<char>((text[i] - '0') * 64 + (text[i + 1] - '0') * 8 + (text[i + 2] - '0')));
        i += 2;
    }
    return true;
}

// The attributes read, by name; Timestamp, which the detail module writes
// last, only for being there.
struct Slot {
    std::string_view Name;
    AccountingField Field;
};
constexpr AccountingField kTimestamp = AccountingField::Count;
constexpr std::array kSlots{
    Slot{"User-Name", AccountingField::UserName},          Slot{"NAS-Identifier", AccountingField::NasIdentifier},
    Slot{"NAS-IP-Address", AccountingField::NasIpAddress},  Slot{"NAS-Port-Id", AccountingField::NasPortId},
    Slot{"NAS-Port", AccountingField::NasPort},            Slot{"Connect-Info", AccountingField::ConnectInfo},
    Slot{"Acct-Session-Time", AccountingField::SessionTime}, Slot{"Acct-Delay-Time", AccountingField::DelayTime},
    Slot{"Acct-Input-Octets", AccountingField::InputOctets}, Slot{"Acct-Output-Octets", AccountingField::OutputOctets},
    Slot{"Acct-Input-Gigawords", AccountingField::InputGigawords},
    Slot{"Acct-Output-Gigawords", AccountingField::OutputGigawords},
    Slot{"Acct-Status-Type", AccountingField::StatusType}, Slot{"Timestamp", kTimestamp}};

const Slot* SlotOf(std::string_view name)
{
    for (const Slot& slot : kSlots)
        if (slot.Name.size() == name.size() && slot.Name.back() == name.back() && slot.Name == name)
            return &slot;
    return nullptr;
}

bool IsStop(std::string_view status) { return status == "Stop" || status == "2"; }

// The record being read: where it began and the attributes of its slots.
class DetailRecord {
public:
    bool Open() const { return open_; }

    void Begin(std::int64_t line, std::optional<std::int64_t> time)
    {
        open_ = true;
        line_ = line;
        time_ = time;
        stops_ = 0;
        damaged_ = !time;  // a record without its header line lost it
        seen_.fill(false);
    }

    // One attribute line without its tab.
    void Attribute(std::string_view text)
    {
        // Names hold no blank: the first one is where " = " must stand.
        const std::size_t equals = std::min(text.find(' '), text.size());
        if (text.compare(equals, 3, " = ") != 0)
            return;
        const Slot* slot = SlotOf(text.substr(0, equals));
        if (slot == nullptr)
            return;
        const std::string_view value = text.substr(equals + 3);
        const auto s = static_cast<std::size_t>(slot->Field);
        if (slot->Field == AccountingField::StatusType && IsStop(value))
            ++stops_;
        if (seen_[s]) {
            // Two records run together: a header line was lost.
            damaged_ |= slot->Field == AccountingField::StatusType || slot->Field == AccountingField::UserName;
            return;
        }
        seen_[s] = true;
        if (!value.empty() && value.front() == '"')
            damaged_ |= !Unescape(value, values_[s]);
        else
            values_[s].assign(value);
    }

    // How many Stops the record holds: one when it is read, more only when
    // records ran together.
    int Stops() const { return stops_; }
    bool Whole() const { return !damaged_ && stops_ == 1 && seen_[kAccountingFields]; }

    // The attributes found, as the shared rules read them.
    AccountingRecord Values() const
    {
        AccountingRecord a;
        for (std::size_t f = 0; f < kAccountingFields; ++f)
            if (seen_[f])
                a.Fields[f] = values_[f];
        a.RecordSecond = time_;
        return a;
    }
    std::int64_t Line() const { return line_; }
    void Close() { open_ = false; }

private:
    std::array<std::string, kAccountingFields + 1> values_;  // by field, Timestamp last
    std::array<bool, kAccountingFields + 1> seen_{};
    std::optional<std::int64_t> time_;
    std::int64_t line_ = 0;
    int stops_ = 0;
    bool damaged_ = false;
    bool open_ = false;
};

// A record in text whose first attribute line starts at from: where it ends
// (after the blank line that closes it; npos when text ends first), how
// many lines it has from there, and whether a line gives a Stop's status.
// The records that are no Stop are passed without a look at their
// attributes: the line feeds are found by the byte search, and only the
// first bytes of each line are looked at.
struct Extent {
    std::size_t End = std::string_view::npos;
    std::int64_t Lines = 0;
    bool Stop = false;
};

Extent ExtentOf(std::string_view text, std::size_t from)
{
    constexpr std::string_view status = "\tAcct-Status-Type = ";
    auto load = [&text](std::size_t at) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        return word;
    };
    std::uint64_t statusHead;
    std::memcpy(&statusHead, status.data(), 8);
    Extent e;
    auto lineAfter = [&](std::size_t feed) {
        // A line starts after the feed at feed: the status of a Stop?
        const std::size_t line = feed + 1;
        if (line + status.size() <= text.size() && load(line) == statusHead &&
            text.compare(line, status.size(), status) == 0) {
            const std::size_t end = text.find('\n', line);
            if (end != std::string_view::npos)
                e.Stop |= IsStop(text.substr(line + status.size(), end - line - status.size()));
        }
    };
    // Each feed ends a line; one followed by another ends the record with
    // the blank line. False when that is unknown: the text ends first.
    auto feedAt = [&](std::size_t feed) {
        ++e.Lines;
        if (feed + 1 >= text.size())
            return false;
        if (text[feed + 1] == '\n') {
            ++e.Lines;
            e.End = feed + 2;
            return true;
        }
        lineAfter(feed);
        return false;
    };
    lineAfter(from - 1);
    for (std::size_t feed = text.find('\n', from); feed != std::string_view::npos; feed = text.find('\n', feed + 1))
        if (feedAt(feed))
            return e;
    return {};
}

class DetailReading {
public:
    explicit DetailReading(FormReading& r) : r_(r) {}

    bool Run()
    {
        LogLineRead line;
        for (;;) {
            if (!record_.Open() && !WholeRecords())
                return false;
            if (!r_.Reader.Next(line))
                break;
            ++line_;
            r_.Progress.Line(r_.FileStart + static_cast<double>(r_.Reader.Consumed()), false);
            if (line.Overlong) {
                r_.Sink.Overlong(r_.File, line_);
                End();
            } else {
                Line(line.Text, line_);
            }
            if (r_.Sink.Stopped())
                return false;
        }
        End();
        return !r_.Sink.Stopped();
    }

private:
    // Line number of the file, without its line end.
    void Line(std::string_view text, std::int64_t number)
    {
        if (!text.empty() && text.front() == '\t') {
            if (!record_.Open())
                record_.Begin(number, std::nullopt);
            record_.Attribute(text.substr(1));
            return;
        }
        End();
        if (const std::optional<std::int64_t> time = ReadCtime(text))
            record_.Begin(number, time);
        // Anything else (a blank line, garbage) is between records.
    }

    void End()
    {
        if (!record_.Open())
            return;
        record_.Close();
        if (record_.Stops() == 0)
            return;
        if (!record_.Whole()) {
            for (int i = 0; i < record_.Stops(); ++i)
                r_.Sink.UnreadLine(r_.File, record_.Line());
            return;
        }
        AccountingRecord a = record_.Values();
        a[AccountingField::Server] = r_.FolderName;
        a.Encoding = r_.Reader.Encoding();
        if (ReadStopRecord(a, values_))
            r_.Sink.Parsed(values_);
        else
            r_.Sink.UnreadLine(r_.File, record_.Line());
    }

    // The whole records at the start of the reader's buffered text, each a
    // header line up to a blank line, read from the buffer and passed in
    // one go; false when the sink said stop.
    bool WholeRecords()
    {
        for (;;) {
            const std::string_view text = r_.Reader.Buffered();
            const std::size_t headerEnd = text.find('\n');
            if (headerEnd == std::string_view::npos)
                return true;
            const std::optional<std::int64_t> time = ReadCtime(text.substr(0, headerEnd));
            if (!time)
                return true;  // line by line
            const Extent extent = ExtentOf(text, headerEnd + 1);
            if (extent.End == std::string_view::npos)
                return true;  // the record goes on past the buffer: line by line
            const std::string_view whole = text.substr(0, extent.End);
            // Line ends other than line feeds are left to the reader.
            if (whole.find('\r') != std::string_view::npos)
                return true;
            if (extent.Stop) {
                record_.Begin(line_ + 1, time);
                std::int64_t number = line_ + 1;
                for (std::size_t from = headerEnd + 1; from + 1 < whole.size();) {
                    const std::size_t end = whole.find('\n', from);
                    Line(whole.substr(from, end - from), ++number);
                    from = end + 1;
                }
                End();
            }
            line_ += 1 + extent.Lines;
            if (!r_.Progress.PassLines(r_.Reader, whole.size(), r_.FileStart))
                return false;
            r_.Reader.Pass(whole.size());
            if (r_.Sink.Stopped())
                return false;
        }
    }

    FormReading& r_;
    DetailRecord record_;
    ConnectionLine values_;
    std::int64_t line_ = 0;  // the lines read so far
};

// The first line that is not empty is a record's header.
bool RecognisesDetail(std::string_view head) { return ReadCtime(FirstLineOf(head)).has_value(); }

}  // namespace

extern const LogFormEntry kDetailForm{"FreeRADIUS detail", RecognisesDetail,
                                      [](FormReading& reading) { return DetailReading(reading).Run(); }};

}  // namespace vy
