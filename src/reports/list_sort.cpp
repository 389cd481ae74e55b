#include "reports/list_sort.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

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

std::int64_t PortOrder(std::string_view name)
{
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    bool any = false;
    for (const char c : name) {
        if (!IsAsciiDigit(c))
            continue;
        const int digit = c - '0';
        if (value > (kMax - digit) / 10)
            return 0;
        value = value * 10 + digit;
        any = true;
    }
    return any ? value : 0;
}

std::int64_t SpeedOrder(std::string_view name)
{
    name.remove_prefix(std::min(name.find_first_not_of(" \t"), name.size()));
    return ReadSignedDecimal<std::int64_t>(name).value_or(0);
}

namespace {

// A row's key as unsigned numbers in the key's order: Hi first, then Lo.
// Text keys hold their first sixteen bytes (zero-padded), so only texts
// that agree that far are compared as texts.
struct Entry {
    std::uint64_t Hi = 0;
    std::uint64_t Lo = 0;
    std::uint32_t Row = 0;
    // A text key's length, capped past sixteen bytes, so that equal
    // prefixes need not fetch their rows to tell whether the texts are equal.
    std::uint32_t Length = 0;
};

// Asks for memory that is about to be read in an order the processor
// cannot guess.
inline void FetchAhead([[maybe_unused]] const void* at, [[maybe_unused]] std::size_t bytes)
{
#if defined(__GNUC__)
    for (std::size_t offset = 0; offset < bytes; offset += 64)
        __builtin_prefetch(static_cast<const char*>(at) + offset);
#endif
}

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
    // Rows often stand in key order already (a list by date clicked on its
    // date); a stable sort leaves them so.
    if (std::is_sorted(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return a.Hi < b.Hi || (a.Hi == b.Hi && a.Lo < b.Lo);
        }))
        return;
    const std::size_t n = entries.size();
    const int bytes = withLo ? 16 : 8;
    auto byteOf = [withLo](const Entry& e, int b) {
        const std::uint64_t word = withLo && b < 8 ? e.Lo : e.Hi;
        return static_cast<std::size_t>((word >> (8 * (b % 8))) & 0xFF);
    };
    std::vector<std::array<std::uint32_t, 256>> counts(static_cast<std::size_t>(bytes));
    for (auto& c : counts)
        c.fill(0);
    // Counted a word at a time with fixed shifts: byteOf's choice per byte
    // was most of the count's work.
    auto countWord = [&counts](std::uint64_t word, std::size_t first) {
        for (std::size_t j = 0; j < 8; ++j)
            ++counts[first + j][(word >> (8 * j)) & 0xFF];
    };
    for (const Entry& e : entries) {
        countWord(e.Hi, withLo ? 8 : 0);
        if (withLo)
            countWord(e.Lo, 0);
    }
    std::vector<Entry> other;
    for (int b = 0; b < bytes; ++b) {
        auto& count = counts[static_cast<std::size_t>(b)];
        if (count[byteOf(entries[0], b)] == n)
            continue;
        std::uint32_t sum = 0;
        for (auto& c : count)
            sum += std::exchange(c, sum);
        other.resize(n);
        const bool fromLo = withLo && b < 8;
        const int shift = 8 * (b % 8);
        for (const Entry& e : entries)
            other[count[((fromLo ? e.Lo : e.Hi) >> shift) & 0xFF]++] = e;
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

// What the texts of durations read back as: hours, minutes and seconds by
// their places, so that a negative duration's sign counts for its hours alone.
std::int64_t DurationOrder(std::int64_t seconds)
{
    if (seconds >= 0)
        return seconds;
    const std::uint64_t magnitude = std::uint64_t{0} - static_cast<std::uint64_t>(seconds);
    const auto hours = static_cast<std::int64_t>(magnitude / 3600);
    return static_cast<std::int64_t>(magnitude % 3600) - hours * 3600;
}

OrderedKeys OrderKeys(const ReportTable& table, std::size_t column, ColumnKind kind)
{
    const std::size_t n = table.Rows.size();
    const bool text = kind == ColumnKind::Text;
    OrderedKeys result;
    std::vector<Entry>& entries = result.Entries;
    entries.resize(n);
    std::string buffer;
    for (std::size_t r = 0; r < n; ++r) {
        const ReportRow& row = table.Rows[r];
        const RowValues& v = row.Values;
        entries[r].Row = static_cast<std::uint32_t>(r);
        std::int64_t key = 0;
        switch (kind) {
        case ColumnKind::Text: {
            const std::string_view cell = CellText(table, row, column, buffer);
            entries[r].Hi = BigEndianBytes(cell, 0);
            entries[r].Lo = BigEndianBytes(cell, 8);
            entries[r].Length = static_cast<std::uint32_t>(std::min<std::size_t>(cell.size(), 17));
            continue;
        }
        case ColumnKind::Port: key = v.Port; break;
        case ColumnKind::Speed: key = v.Speed; break;
        case ColumnKind::Day: key = v.Day; break;
        case ColumnKind::Duration: key = DurationOrder(v.Seconds); break;
        case ColumnKind::Sent:
        case ColumnKind::Received: {
            // Bytes are ordered by the digits shown, without the sign; the
            // most negative value's digits leave 64 bits.
            const std::int64_t bytes = kind == ColumnKind::Sent ? v.Sent : v.Received;
            if (bytes == std::numeric_limits<std::int64_t>::min()) {
                result.Error = ErrorText(kIntegerError, "9223372036854775808");
                return result;
            }
            key = bytes < 0 ? -bytes : bytes;
            break;
        }
        case ColumnKind::DateTime:
            if (!v.Shown) {
                result.Error = ErrorText(kDateError, CellText(table, row, column, buffer));
                return result;
            }
            key = *v.Shown;
            break;
        case ColumnKind::Month:
        case ColumnKind::Weekday: break;
        }
        entries[r].Hi = OrderedBits(key);
    }

    RadixSort(entries, text);

    // Texts that agree in their first sixteen bytes are told apart, and
    // ordered, by the whole text (which also puts "ab" before "ab\0").
    // Text columns hold names or kept texts, which need no buffer of their own.
    std::string other;
    auto cellAt = [&](std::uint32_t row, std::string& into) { return CellText(table, table.Rows[row], column, into); };
    auto& starts = result.RunStarts;
    for (std::size_t k = 0; k < n;) {
        std::size_t end = k + 1;
        bool sameTexts = true;
        while (end < n && entries[end].Hi == entries[k].Hi && entries[end].Lo == entries[k].Lo) {
            if (text)
                sameTexts = sameTexts && entries[end].Length <= 16 && entries[end].Length == entries[k].Length;
            ++end;
        }
        starts.push_back(static_cast<std::uint32_t>(k));
        if (text && !sameTexts) {
            const auto first = entries.begin() + static_cast<std::ptrdiff_t>(k);
            const auto last = entries.begin() + static_cast<std::ptrdiff_t>(end);
            std::stable_sort(first, last, [&](const Entry& a, const Entry& b) {
                return cellAt(a.Row, buffer) < cellAt(b.Row, other);
            });
            for (std::size_t j = k + 1; j < end; ++j)
                if (cellAt(entries[j - 1].Row, buffer) != cellAt(entries[j].Row, other))
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
    const std::size_t runs = keys.RunStarts.size() - 1;
    if (runs == n) {
        // No two keys are equal: whatever the exchanges do, the rows end in
        // key order.
        for (std::size_t k = 0; k < n; ++k)
            rowAt[k] = keys.Entries[ascending ? k : n - 1 - k].Row;
        return rowAt;
    }
    std::vector<std::uint32_t> positionOf(n);
    for (std::size_t k = 0; k < n; ++k)
        rowAt[k] = positionOf[k] = static_cast<std::uint32_t>(k);

    std::vector<std::uint32_t> positions;
    std::size_t filled = 0;
    for (std::size_t g = 0; g < runs; ++g) {
        const std::size_t run = ascending ? g : runs - 1 - g;
        positions.clear();
        for (std::size_t k = keys.RunStarts[run]; k < keys.RunStarts[run + 1]; ++k) {
            if (const std::size_t ahead = ascending ? k + 16 : k - std::min<std::size_t>(k, 16); ahead < n)
                FetchAhead(&positionOf[keys.Entries[ahead].Row], sizeof(std::uint32_t));
            positions.push_back(positionOf[keys.Entries[k].Row]);
        }
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

// Puts row rowAt[r] at r, in place: a new vector of rows would be fresh
// memory, touched page by page, at every sort. The permutation's cycles are
// listed first (each ended by kCycleEnd), so that the rows they move can be
// fetched ahead. Everything but the image moves; every place keeps its image.
void PlaceRows(std::vector<ReportRow>& rows, std::vector<std::uint32_t>& rowAt)
{
    constexpr std::uint32_t kCycleEnd = std::numeric_limits<std::uint32_t>::max();
    const std::size_t n = rows.size();
    std::vector<std::uint32_t> path;
    path.reserve(n + n / 2);
    for (std::size_t start = 0; start < n; ++start) {
        if (rowAt[start] == start)
            continue;
        auto at = static_cast<std::uint32_t>(start);
        do {
            path.push_back(at);
            at = std::exchange(rowAt[at], at);
        } while (at != start);
        path.push_back(kCycleEnd);
    }
    constexpr std::size_t kAhead = 16;
    auto moveInto = [](ReportRow& to, ReportRow&& from) {
        const int image = to.Image;
        to = std::move(from);
        to.Image = image;
    };
    for (std::size_t k = 0; k < path.size();) {
        const std::uint32_t first = path[k];
        ReportRow held = std::move(rows[first]);
        std::uint32_t to = first;
        for (++k; path[k] != kCycleEnd; ++k) {
            if (k + kAhead < path.size() && path[k + kAhead] != kCycleEnd)
                FetchAhead(&rows[path[k + kAhead]], sizeof(ReportRow));
            moveInto(rows[to], std::move(rows[path[k]]));
            to = path[k];
        }
        moveInto(rows[to], std::move(held));
        ++k;
    }
}

}  // namespace

SortError SortList(ReportTable& table, int column, ColumnKind kind, std::uint8_t ascending)
{
    auto& rows = table.Rows;
    if (kind == ColumnKind::Month || kind == ColumnKind::Weekday || rows.empty() || column < 0)
        return std::nullopt;
    const auto c = static_cast<std::size_t>(column);
    for (const ReportRow& row : rows) {
        if (c >= CellCount(table, row))
            return std::nullopt;
    }
    // With a single row nothing is compared, so not even its key is read.
    if (rows.size() < 2)
        return std::nullopt;

    // Every key is read before any row moves, so an unreadable key leaves
    // the table as it was and the error names the first such cell.
    const OrderedKeys keys = OrderKeys(table, c, kind);
    if (keys.Error)
        return keys.Error;
    std::vector<std::uint32_t> rowAt = SelectionOrder(keys, ascending != 0);
    PlaceRows(rows, rowAt);
    return std::nullopt;
}

}  // namespace vy
