#include "reports/list_sort.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "reports/date_text.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

constexpr std::string_view kIntegerError = "'%s' is not a valid integer value";
constexpr std::string_view kDateError = "'%s' is not a valid date and time";

std::string ErrorText(std::string_view pattern, std::string_view value)
{
    std::string text(pattern);
    text.replace(text.find("%s"), 2, value);
    return text;
}

}  // namespace

std::optional<std::int64_t> IntegerAfterBlanks(std::string_view text)
{
    text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
    return ReadSignedDecimal<std::int64_t>(text);
}

std::optional<std::int64_t> DigitsValue(std::string_view text) { return ReadDecimal<std::int64_t>(DigitsOnly(text)); }

std::optional<std::int64_t> DurationToSeconds(std::string_view text, std::string_view* badPart)
{
    std::string_view unread;
    if (!badPart)
        badPart = &unread;
    // Shorter than "0:00:00" leaves no hours to read; the hours part is then
    // the empty text.
    if (text.size() < 7) {
        *badPart = std::string_view();
        return std::nullopt;
    }
    const std::size_t length = text.size();
    const std::string_view parts[3] = {text.substr(0, length - 6), text.substr(length - 5, 2),
                                       text.substr(length - 2, 2)};
    std::int64_t values[3] = {};
    for (int k = 0; k < 3; ++k) {
        const auto value = IntegerAfterBlanks(parts[k]);
        if (!value) {
            *badPart = parts[k];
            return std::nullopt;
        }
        values[k] = *value;
    }
    // Hours so large that the total leaves 64 bits do not read either.
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    const std::int64_t rest = values[1] * 60 + values[2];  // two digits each: small
    if (values[0] > kMax / 3600 || values[0] < kMin / 3600) {
        *badPart = parts[0];
        return std::nullopt;
    }
    const std::int64_t hours = values[0] * 3600;
    if ((rest > 0 && hours > kMax - rest) || (rest < 0 && hours < kMin - rest)) {
        *badPart = parts[0];
        return std::nullopt;
    }
    return hours + rest;
}

namespace {

enum class Rule { None, Text, Port, Speed, Bytes, Time, Date };

Rule RuleNamed(std::string_view name)
{
    static constexpr std::array<std::pair<std::string_view, Rule>, 6> names = {{
        {"Text", Rule::Text},
        {"Port", Rule::Port},
        {"Speed", Rule::Speed},
        {"Bytes", Rule::Bytes},
        {"Time", Rule::Time},
        {"Date", Rule::Date},
    }};
    for (const auto& [text, rule] : names)
        if (text == name)
            return rule;
    return Rule::None;
}

// A row's key as unsigned numbers in the key's order: Hi first, then Lo.
// Text keys hold their first sixteen bytes (zero-padded), so only texts
// that agree that far are compared as texts.
struct Entry {
    std::uint64_t Hi = 0;
    std::uint64_t Lo = 0;
    std::uint32_t Row = 0;
};

std::uint64_t OrderedBits(std::int64_t value) { return static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << 63); }

std::uint64_t BigEndianBytes(std::string_view text, std::size_t from)
{
    std::uint64_t value = 0;
    for (std::size_t k = from; k < from + 8; ++k)
        value = (value << 8) | (k < text.size() ? static_cast<unsigned char>(text[k]) : 0u);
    return value;
}

// Stable LSD radix sort by (Hi, Lo), one byte at a time, skipping the bytes
// that every key shares; Lo only where it holds anything.
void RadixSort(std::vector<Entry>& entries, bool withLo)
{
    const std::size_t n = entries.size();
    const int bytes = withLo ? 16 : 8;
    auto byteOf = [withLo](const Entry& e, int b) {
        const std::uint64_t word = withLo && b < 8 ? e.Lo : e.Hi;
        return static_cast<std::size_t>((word >> (8 * (b % 8))) & 0xFF);
    };
    std::vector<std::array<std::uint32_t, 256>> counts(static_cast<std::size_t>(bytes));
    for (auto& c : counts)
        c.fill(0);
    for (const Entry& e : entries)
        for (int b = 0; b < bytes; ++b)
            ++counts[static_cast<std::size_t>(b)][byteOf(e, b)];
    std::vector<Entry> other;
    for (int b = 0; b < bytes; ++b) {
        auto& count = counts[static_cast<std::size_t>(b)];
        if (count[byteOf(entries[0], b)] == n)
            continue;
        std::uint32_t sum = 0;
        for (auto& c : count)
            sum += std::exchange(c, sum);
        other.resize(n);
        for (const Entry& e : entries)
            other[count[byteOf(e, b)]++] = e;
        entries.swap(other);
    }
}

// The rows in ascending key order, equal keys in row order, with the start
// of every run of equal keys; or the error of the first key that does not
// read.
struct OrderedKeys {
    std::vector<Entry> Entries;
    std::vector<std::uint32_t> RunStarts;  // ends with Entries.size()
    SortError Error;
};

OrderedKeys OrderKeys(const ReportTable& table, std::size_t column, Rule rule, const DateTexts& dates)
{
    const std::size_t n = table.Rows.size();
    OrderedKeys result;
    std::vector<Entry>& entries = result.Entries;
    entries.resize(n);
    std::vector<std::string_view> cells(n);
    for (std::size_t r = 0; r < n; ++r) {
        cells[r] = table.Rows[r].Cells[column];
        entries[r].Row = static_cast<std::uint32_t>(r);
    }

    if (rule == Rule::Date) {
        std::vector<double> values(n);
        const std::size_t bad = dates.ParseDateTimes(cells, values);
        if (bad < n) {
            result.Error = ErrorText(kDateError, cells[bad]);
            return result;
        }
        // Dates read back in whole seconds, so whole seconds order them
        // exactly, in fewer bytes than the values themselves.
        for (std::size_t r = 0; r < n; ++r)
            entries[r].Hi = OrderedBits(static_cast<std::int64_t>(std::llround(values[r] * 86400.0)));
    }
    for (std::size_t r = 0; r < n && rule != Rule::Date; ++r) {
        const std::string_view text = cells[r];
        std::optional<std::int64_t> value;
        switch (rule) {
        case Rule::Text:
            entries[r].Hi = BigEndianBytes(text, 0);
            entries[r].Lo = BigEndianBytes(text, 8);
            continue;
        // A port name without digits, or one beyond 64 bits, counts as 0,
        // as in the tree's order of ports; so does such a speed.
        case Rule::Port: value = DigitsValue(text).value_or(0); break;
        case Rule::Speed: value = IntegerAfterBlanks(text).value_or(0); break;
        case Rule::Bytes:
            value = DigitsValue(text);
            if (!value) {
                result.Error = ErrorText(kIntegerError, DigitsOnly(text));
                return result;
            }
            break;
        case Rule::Time: {
            std::string_view bad;
            value = DurationToSeconds(text, &bad);
            if (!value) {
                result.Error = ErrorText(kIntegerError, bad);
                return result;
            }
            break;
        }
        case Rule::Date:
        case Rule::None: break;
        }
        entries[r].Hi = OrderedBits(*value);
    }

    RadixSort(entries, rule == Rule::Text);

    // Texts that agree in their first sixteen bytes are told apart, and
    // ordered, by the whole text (which also puts "ab" before "ab\0").
    auto& starts = result.RunStarts;
    for (std::size_t k = 0; k < n;) {
        std::size_t end = k + 1;
        bool sameTexts = true;
        while (end < n && entries[end].Hi == entries[k].Hi && entries[end].Lo == entries[k].Lo) {
            if (rule == Rule::Text) {
                const std::size_t length = cells[entries[end].Row].size();
                sameTexts = sameTexts && length <= 16 && length == cells[entries[k].Row].size();
            }
            ++end;
        }
        starts.push_back(static_cast<std::uint32_t>(k));
        if (rule == Rule::Text && !sameTexts) {
            const auto first = entries.begin() + static_cast<std::ptrdiff_t>(k);
            const auto last = entries.begin() + static_cast<std::ptrdiff_t>(end);
            std::stable_sort(first, last, [&](const Entry& a, const Entry& b) { return cells[a.Row] < cells[b.Row]; });
            for (std::size_t j = k + 1; j < end; ++j)
                if (cells[entries[j - 1].Row] != cells[entries[j].Row])
                    starts.push_back(static_cast<std::uint32_t>(j));
        }
        k = end;
    }
    starts.push_back(static_cast<std::uint32_t>(n));
    return result;
}

// Where the selection sort puts every row. Its step i takes the first row
// at or after position i that holds the smallest key left and exchanges it
// with the row at i. While the rows of one key are placed nothing else of
// that key moves, so they are placed in the order of the positions they
// hold when their turn comes, and each exchange carries the row standing
// at i to the chosen row's old place.
std::vector<std::uint32_t> SelectionOrder(const OrderedKeys& keys, bool ascending)
{
    const std::size_t n = keys.Entries.size();
    std::vector<std::uint32_t> rowAt(n);
    std::vector<std::uint32_t> positionOf(n);
    for (std::size_t k = 0; k < n; ++k)
        rowAt[k] = positionOf[k] = static_cast<std::uint32_t>(k);

    std::vector<std::uint32_t> positions;
    std::size_t filled = 0;
    const std::size_t runs = keys.RunStarts.size() - 1;
    for (std::size_t g = 0; g < runs; ++g) {
        const std::size_t run = ascending ? g : runs - 1 - g;
        positions.clear();
        for (std::size_t k = keys.RunStarts[run]; k < keys.RunStarts[run + 1]; ++k)
            positions.push_back(positionOf[keys.Entries[k].Row]);
        if (!std::is_sorted(positions.begin(), positions.end()))
            std::sort(positions.begin(), positions.end());
        for (const std::uint32_t from : positions) {
            const auto to = static_cast<std::uint32_t>(filled++);
            if (from == to)
                continue;
            // The chosen row is placed for good: its position is not asked again.
            const std::uint32_t displaced = rowAt[to];
            rowAt[to] = rowAt[from];
            rowAt[from] = displaced;
            positionOf[displaced] = from;
        }
    }
    return rowAt;
}

}  // namespace

SortError SortList(ReportTable& table, int column, std::string_view rule, std::uint8_t ascending,
                   const DateTexts& dates)
{
    const Rule kind = RuleNamed(rule);
    auto& rows = table.Rows;
    if (kind == Rule::None || rows.empty() || column < 0)
        return std::nullopt;
    const auto c = static_cast<std::size_t>(column);
    for (const ReportRow& row : rows) {
        if (c >= row.Cells.size())
            return std::nullopt;
    }
    // With a single row nothing is compared, so not even its key is read.
    if (rows.size() < 2)
        return std::nullopt;

    // Every key is read before any row moves, so an unreadable key leaves
    // the table as it was and the error names the first such cell.
    const OrderedKeys keys = OrderKeys(table, c, kind, dates);
    if (keys.Error)
        return keys.Error;
    const std::vector<std::uint32_t> rowAt = SelectionOrder(keys, ascending != 0);

    // Only the texts, their values and keys move; every row keeps its image.
    std::vector<std::vector<std::string>> cells(rows.size());
    std::vector<RowValues> values(rows.size());
    std::vector<int> nodeKeys(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        cells[r] = std::move(rows[r].Cells);
        values[r] = rows[r].Values;
        nodeKeys[r] = rows[r].Key;
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        rows[r].Cells = std::move(cells[rowAt[r]]);
        rows[r].Values = values[rowAt[r]];
        rows[r].Key = nodeKeys[rowAt[r]];
    }
    return std::nullopt;
}

std::string DigitsOnly(std::string_view text)
{
    std::string digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits), IsAsciiDigit);
    return digits;
}

std::string_view SortRuleOf(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Text: return "Text";
    case ColumnKind::Port: return "Port";
    case ColumnKind::Speed: return "Speed";
    case ColumnKind::Duration: return "Time";
    case ColumnKind::Sent:
    case ColumnKind::Received:
    case ColumnKind::Day: return "Bytes";
    case ColumnKind::DateTime: return "Date";
    case ColumnKind::Month:
    case ColumnKind::Weekday: break;
    }
    return {};
}

}  // namespace vy
