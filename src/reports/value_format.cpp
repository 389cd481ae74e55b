#include "reports/value_format.h"

#include <array>

#include "store/ascii_text.h"

namespace vy {

namespace {

// Magnitude of a signed value without overflow, also for the most negative.
std::uint64_t Magnitude(std::int64_t value)
{
    return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

// Writes the decimal digits of value ending just before end; returns where
// they start.
char* DigitsBefore(char* end, std::uint64_t value)
{
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}

}  // namespace

// A negative duration is written as "-" before the text of its magnitude
// ("-1:02:05"): hours, minutes and seconds all truncate toward zero, and the
// sign is shown once instead of inside every part.
std::string SecondsToText(std::int64_t seconds)
{
    // Built from the end in a buffer: lists make a million of these.
    const std::uint64_t magnitude = Magnitude(seconds);
    char buffer[32];
    char* end = buffer + sizeof buffer;
    char* p = end;
    const std::uint64_t rest = magnitude % 3600;
    *--p = static_cast<char>('0' + rest % 60 % 10);
    *--p = static_cast<char>('0' + rest % 60 / 10);
    *--p = ':';
    *--p = static_cast<char>('0' + rest / 60 % 10);
    *--p = static_cast<char>('0' + rest / 60 / 10);
    *--p = ':';
    p = DigitsBefore(p, magnitude / 3600);
    if (seconds < 0)
        *--p = '-';
    return std::string(p, end);
}

// A negative value groups its magnitude and puts "-" before it
// ("-1,234"), so the sign never counts as a digit of the first group.
std::string GroupDigits(std::string_view separator, std::int64_t value)
{
    char digitBuffer[24];
    char* digitsEnd = digitBuffer + sizeof digitBuffer;
    const char* first = DigitsBefore(digitsEnd, Magnitude(value));
    const std::string_view digits(first, static_cast<std::size_t>(digitsEnd - first));
    std::string text;
    text.reserve(digits.size() + (digits.size() - 1) / 3 * separator.size() + 1);
    if (value < 0)
        text += '-';
    const std::size_t lead = (digits.size() - 1) % 3 + 1;
    text.append(digits, 0, lead);
    for (std::size_t k = lead; k < digits.size(); k += 3) {
        text += separator;
        text.append(digits, k, 3);
    }
    return text;
}

ColumnSet ColumnSetOf(int reportKind)
{
    using enum ColumnKind;
    static constexpr std::array<ColumnSet, 8> sets = {{
        {"User;Time;Send;Receive;", "L100R100R100R100", {Text, Duration, Sent, Received}},
        {"Date;Server;Port;Time;Send;Receive;Speed;", "L110L080L060R070R090R090R060",
         {DateTime, Text, Port, Duration, Sent, Received, Speed}},
        {"Port;Time;Send;Receive;", "L060R100R100R100", {Port, Duration, Sent, Received}},
        {"Speed;Time;Send;Receive;", "R060R100R100R100", {Speed, Duration, Sent, Received}},
        {"Date;User;Time;Send;Receive;", "L110L100R070R090R090", {DateTime, Text, Duration, Sent, Received}},
        {"Month;Time;Send;Receive;", "L100R100R100R100", {Month, Duration, Sent, Received}},
        {"Day;Time;Send;Receive;Day of Week;", "L060R100R100R100L090", {Day, Duration, Sent, Received, Weekday}},
        {"Date;Domain;User;Server;Port;Time;Send;Receive;Speed;", "L110L100L100L080L060R070R090R090R060",
         {DateTime, Text, Text, Text, Port, Duration, Sent, Received, Speed}},
    }};
    if (reportKind < 1 || reportKind > static_cast<int>(sets.size()))
        return {};
    return sets[static_cast<std::size_t>(reportKind - 1)];
}

// A column whose layout group is missing gets width 0 and left alignment;
// a width group that is not exactly three decimal digits gives width 0.
void SetColumns(std::vector<ReportColumn>& columns, std::string_view titles, std::string_view layout,
                std::span<const ColumnKind> kinds)
{
    columns.clear();
    std::string title;
    for (const char ch : titles) {
        if (ch != ';') {
            title += ch;
            continue;
        }
        const std::size_t group = columns.size() * 4;
        ReportColumn column;
        column.Caption = std::move(title);
        if (columns.size() < kinds.size())
            column.Kind = kinds[columns.size()];
        title.clear();
        if (group + 4 <= layout.size()) {
            column.Width = ReadDigits<int>(layout.substr(group + 1, 3)).value_or(0);
        }
        if (group < layout.size()) {
            const char align = layout[group];
            column.Align = align == 'R' ? Alignment::Right : align == 'C' ? Alignment::Center : Alignment::Left;
        }
        columns.push_back(std::move(column));
    }
}

}  // namespace vy
