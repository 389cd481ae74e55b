#include "reports/list_sort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <iterator>
#include <limits>
#include <memory>
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

// Rows are put in order by keys that are unsigned numbers in the order the
// rows are placed (a descending sort turns its keys over), each with the
// position its row holds when the sort begins. Keys that differ in at most
// 32 bits share eight bytes with the position instead (PlaceByKeys).
struct Entry {
    std::uint64_t Key = 0;
    std::uint32_t Position = 0;
};

// A text key: its first sixteen bytes (zero-padded) as two big-endian
// numbers, so that only texts that agree that far are compared as texts,
// and its length capped past sixteen bytes, so that equal prefixes need not
// fetch their rows to tell whether the texts are equal.
struct TextEntry {
    std::uint64_t Hi = 0;
    std::uint64_t Lo = 0;
    std::uint32_t Position = 0;
    std::uint32_t Length = 0;
};

// The working memory of sorts, kept from one sort to the next of a
// RowOrder: fresh memory is faulted in page by page.
struct SortBuffers {
    std::vector<std::uint64_t> Keys;
    std::vector<std::uint64_t> OtherKeys;
    std::vector<std::uint32_t> PositionOf;
    std::vector<std::uint32_t> Order;
    std::vector<std::uint32_t> Moved;  // the rows' positions while they are placed
    std::vector<std::uint64_t> Marks;
};

// Asks for memory that is about to be read in an order the processor
// cannot guess.
inline void FetchAhead([[maybe_unused]] const void* at, [[maybe_unused]] std::size_t bytes)
{
#if defined(__GNUC__)
    // Every cache line the bytes touch: a row of 112 bytes may span three.
    const auto first = reinterpret_cast<std::uintptr_t>(at) / 64;
    const auto last = (reinterpret_cast<std::uintptr_t>(at) + bytes - 1) / 64;
    for (std::uintptr_t line = first; line <= last; ++line)
        __builtin_prefetch(reinterpret_cast<const void*>(line * 64));
#endif
}

constexpr std::uint32_t kNoSlot = std::numeric_limits<std::uint32_t>::max();

std::uint64_t OrderedBits(std::int64_t value) { return static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << 63); }

std::uint64_t BigEndianBytes(const unsigned char* bytes)
{
    std::uint64_t value = 0;
    for (int k = 0; k < 8; ++k)
        value = (value << 8) | bytes[k];
    return value;
}

// Stable LSD radix sort by the key's words (word 0 the least significant),
// over only the bits in which some keys differ, at most kDigitBits at a
// time; each pass also counts the next pass's digits.
template <std::size_t Words, typename E, typename WordOf>
void RadixSort(std::vector<E>& entries, std::vector<E>& other, WordOf wordOf)
{
    constexpr int kDigitBits = 11;
    struct Digit {
        std::size_t Word;
        int Shift;
        std::uint64_t Mask;
    };
    std::array<std::uint64_t, Words> varying{};
    for (const E& e : entries)
        for (std::size_t w = 0; w < Words; ++w)
            varying[w] |= wordOf(e, w) ^ wordOf(entries[0], w);
    std::vector<Digit> digits;
    for (std::size_t w = 0; w < Words; ++w) {
        if (varying[w] == 0)
            continue;
        const int low = std::countr_zero(varying[w]);
        const int bits = 64 - std::countl_zero(varying[w]) - low;
        const int passes = (bits + kDigitBits - 1) / kDigitBits;
        const int width = (bits + passes - 1) / passes;
        for (int shift = low; shift < low + bits; shift += width)
            digits.push_back({w, shift, (std::uint64_t{1} << width) - 1});
    }
    if (digits.empty())
        return;
    auto digitOf = [&wordOf](const E& e, const Digit& d) {
        return static_cast<std::size_t>((wordOf(e, d.Word) >> d.Shift) & d.Mask);
    };
    std::vector<std::uint32_t> count(std::size_t{1} << kDigitBits);
    std::vector<std::uint32_t> next(count.size());
    for (const E& e : entries)
        ++count[digitOf(e, digits[0])];
    other.resize(entries.size());
    for (std::size_t d = 0; d < digits.size(); ++d) {
        std::uint32_t sum = 0;
        for (auto& c : count)
            sum += std::exchange(c, sum);
        std::fill(next.begin(), next.end(), 0);
        const Digit& digit = digits[d];
        if (d + 1 < digits.size()) {
            const Digit& following = digits[d + 1];
            for (const E& e : entries) {
                other[count[digitOf(e, digit)]++] = e;
                ++next[digitOf(e, following)];
            }
        } else {
            for (const E& e : entries)
                other[count[digitOf(e, digit)]++] = e;
        }
        entries.swap(other);
        count.swap(next);
    }
}

// Sorts entries by `less`; keys often stand in order already (a list by
// date clicked on its date), or in the reverse order.
template <std::size_t Words, typename E, typename Less, typename WordOf>
void OrderEntries(std::vector<E>& entries, std::vector<E>& other, Less less, WordOf wordOf)
{
    if (std::is_sorted(entries.begin(), entries.end(), less))
        return;
    if (std::is_sorted(entries.rbegin(), entries.rend(), less)) {
        // The order within runs of equal keys does not matter (see
        // SelectionPlacing).
        std::reverse(entries.begin(), entries.end());
        return;
    }
    RadixSort<Words>(entries, other, wordOf);
}

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

// The key of a number column's cell; nothing when its text would not read.
std::optional<std::int64_t> NumberKey(const RowValues& v, ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Port: return v.Port;
    case ColumnKind::Speed: return v.Speed;
    case ColumnKind::Day: return v.Day;
    case ColumnKind::Duration: return DurationOrder(v.Seconds);
    case ColumnKind::Sent:
    case ColumnKind::Received: {
        // Bytes are ordered by the digits shown, without the sign; the
        // most negative value's digits leave 64 bits.
        const std::int64_t bytes = kind == ColumnKind::Sent ? v.Sent : v.Received;
        if (bytes == std::numeric_limits<std::int64_t>::min())
            return std::nullopt;
        return bytes < 0 ? -bytes : bytes;
    }
    case ColumnKind::DateTime: return v.Shown;
    default: return 0;
    }
}

std::string UnreadableKeyError(const ReportTable& table, const ReportRow& row, std::size_t column, ColumnKind kind)
{
    if (kind == ColumnKind::DateTime) {
        std::string buffer;
        return ErrorText(kDateError, CellText(table, row, column, buffer));
    }
    return ErrorText(kIntegerError, "9223372036854775808");
}

// The keys of a sort as read, or why the rows stay as they are.
enum class Reading { Keys, MissingColumn, Unreadable };

// Reads every row once, in the order they are kept, its cell count and its
// key (keyOf says whether the key reads). `bad` is the row of the first key
// that does not read, in the order shown; every row is still looked at, as
// a row without the column means no sort rather than an error.
template <typename PositionOf, typename KeyOf>
Reading ReadKeys(const ReportTable& table, std::size_t column, PositionOf positionOf, KeyOf keyOf, std::size_t& bad)
{
    const bool made = static_cast<bool>(table.MakeCell);
    const std::size_t madeCells = table.MadeCells;
    const std::size_t n = table.Rows.size();
    std::uint32_t badPosition = std::numeric_limits<std::uint32_t>::max();
    for (std::size_t r = 0; r < n; ++r) {
        const ReportRow& row = table.Rows[r];
        if (column >= (row.Cells.empty() && made ? madeCells : row.Cells.size()))
            return Reading::MissingColumn;
        const std::uint32_t position = positionOf(r);
        if (!keyOf(row, r, position) && position < badPosition) {
            badPosition = position;
            bad = r;
        }
    }
    return badPosition == std::numeric_limits<std::uint32_t>::max() ? Reading::Keys : Reading::Unreadable;
}

// Where a sort puts the rows: Order[k] is the position, when the sort
// begins, of the row it puts at k; FromAt, when asked for, its exchanges in
// their order (step i exchanges the row at i with the row at FromAt[i]).
struct Placing {
    std::vector<std::uint32_t> Order;
    std::vector<std::uint32_t> FromAt;
};

// The placing of the selection sort, given the positions of the rows in
// ascending key order (runs of equal keys best in the order of their
// positions). Step i takes the first row at or after position i that holds
// the smallest key left. While the rows of one key are placed nothing else
// of that key moves, so they are placed in the order of the positions they
// hold when their turn comes, and each exchange carries the row standing at
// i to the chosen row's old place.
template <typename PositionAt, typename StartsRun>
void SelectionPlacing(std::size_t n, PositionAt positionAt, StartsRun startsRun, bool withExchanges,
                      SortBuffers& buffers, Placing& placing)
{
    std::vector<std::uint32_t>& rowAt = placing.Order;
    rowAt.resize(n);
    if (!withExchanges) {
        // No two keys equal: whatever the exchanges do, the rows end in key order.
        std::size_t k = 1;
        while (k < n && startsRun(k))
            ++k;
        if (k >= n) {
            for (k = 0; k < n; ++k)
                rowAt[k] = positionAt(k);
            return;
        }
    }
    // Rows are named by the positions they start at.
    std::vector<std::uint32_t>& positionOf = buffers.Moved;
    positionOf.resize(n);
    for (std::size_t k = 0; k < n; ++k)
        rowAt[k] = positionOf[k] = static_cast<std::uint32_t>(k);
    if (withExchanges)
        placing.FromAt.resize(n);
    std::size_t filled = 0;
    auto place = [&](std::uint32_t from) {
        const std::size_t to = filled++;
        if (withExchanges)
            placing.FromAt[to] = from;
        if (from == to)
            return;
        // The chosen row is placed for good: its position is not asked again.
        const std::uint32_t displaced = rowAt[to];
        rowAt[to] = rowAt[from];
        rowAt[from] = displaced;
        positionOf[displaced] = from;
    };
    std::vector<std::uint32_t> positions;
    std::vector<std::uint64_t>& marks = buffers.Marks;
    marks.assign((n + 63) / 64, 0);
    for (std::size_t k = 0; k < n;) {
        std::size_t end = k + 1;
        while (end < n && !startsRun(end))
            ++end;
        positions.clear();
        std::uint32_t low = std::numeric_limits<std::uint32_t>::max();
        std::uint32_t high = 0;
        for (; k < end; ++k) {
            if (k + 16 < n)
                FetchAhead(&positionOf[positionAt(k + 16)], sizeof(std::uint32_t));
            const std::uint32_t p = positionOf[positionAt(k)];
            low = std::min(low, p);
            high = std::max(high, p);
            positions.push_back(p);
        }
        if (!std::is_sorted(positions.begin(), positions.end())) {
            // Many positions close together are put in order by marking
            // them, fewer by sorting.
            if (high / 64 - low / 64 >= 4 * positions.size()) {
                std::sort(positions.begin(), positions.end());
            } else {
                for (const std::uint32_t p : positions)
                    marks[p / 64] |= std::uint64_t{1} << (p % 64);
                positions.clear();
                for (std::size_t w = low / 64; w <= high / 64; ++w)
                    for (std::uint64_t bits = std::exchange(marks[w], 0); bits != 0; bits &= bits - 1)
                        positions.push_back(static_cast<std::uint32_t>(w * 64) +
                                            static_cast<std::uint32_t>(std::countr_zero(bits)));
            }
        }
        for (const std::uint32_t from : positions)
            place(from);
    }
}

// Carries out the exchanges in their order, in place: a new vector of rows
// would be fresh memory, touched page by page, at every sort.
template <typename T, typename Swap>
void Exchange(std::vector<T>& items, const std::vector<std::uint32_t>& fromAt, Swap swap)
{
    constexpr std::size_t kAhead = 16;
    const std::size_t n = items.size();
    for (std::size_t to = 0; to < n; ++to) {
        if (to + kAhead < n)
            FetchAhead(&items[fromAt[to + kAhead]], sizeof(T));
        if (const std::size_t from = fromAt[to]; from != to)
            swap(items[to], items[from]);
    }
}

// Everything but the image moves; every place keeps its image.
void SwapRows(ReportRow& a, ReportRow& b)
{
    std::swap(a, b);
    std::swap(a.Image, b.Image);
}

// The placing of the selection sort by the keys in buffers.Keys, one a
// position, unsigned numbers in the order of the placing.
void PlaceByKeys(SortBuffers& buffers, bool withExchanges, Placing& placing)
{
    std::vector<std::uint64_t>& keys = buffers.Keys;
    const std::size_t n = keys.size();
    std::uint64_t varying = 0;
    for (const std::uint64_t key : keys)
        varying |= key ^ keys[0];
    const int low = varying == 0 ? 0 : std::countr_zero(varying);
    if (64 - std::countl_zero(varying) - low <= 32) {
        // The bits in which the keys differ fit beside the position: eight
        // bytes an entry, in the radix passes and after.
        for (std::size_t p = 0; p < n; ++p)
            keys[p] = (((keys[p] >> low) & 0xFFFF'FFFF) << 32) | p;
        OrderEntries<1>(
            keys, buffers.OtherKeys, [](std::uint64_t a, std::uint64_t b) { return a >> 32 < b >> 32; },
            [](std::uint64_t e, std::size_t) { return e & 0xFFFF'FFFF'0000'0000; });
        SelectionPlacing(
            n, [&](std::size_t k) { return static_cast<std::uint32_t>(keys[k]); },
            [&](std::size_t k) { return keys[k] >> 32 != keys[k - 1] >> 32; }, withExchanges, buffers, placing);
        return;
    }
    std::vector<Entry> entries(n);
    for (std::size_t p = 0; p < n; ++p)
        entries[p] = {keys[p], static_cast<std::uint32_t>(p)};
    std::vector<Entry> spare;
    OrderEntries<1>(
        entries, spare, [](const Entry& a, const Entry& b) { return a.Key < b.Key; },
        [](const Entry& e, std::size_t) { return e.Key; });
    SelectionPlacing(
        n, [&](std::size_t k) { return entries[k].Position; },
        [&](std::size_t k) { return entries[k].Key != entries[k - 1].Key; }, withExchanges, buffers, placing);
}

// Short texts as numbers in their order: each row's text is given the rank
// of its text among the distinct ones, when no text is longer than sixteen
// bytes (so that its first sixteen bytes and its length are the whole
// text) and there are few distinct ones, as with names. False otherwise,
// and when some row lacks the column.
template <typename PositionOf>
bool RankTexts(const ReportTable& table, std::size_t column, bool ascending, PositionOf positionOf,
               std::vector<std::uint64_t>& keys)
{
    constexpr std::size_t kMostTexts = 4096;
    struct Text {
        std::uint64_t Hi, Lo;
        std::size_t Length;
        auto operator<=>(const Text&) const = default;
    };
    std::vector<Text> texts;
    std::vector<std::uint32_t> slots(2 * kMostTexts, kNoSlot);
    bool ranked = true;
    std::string buffer;
    std::size_t bad = 0;
    auto keyOf = [&](const ReportRow& row, std::size_t, std::uint32_t position) {
        const std::string_view cell = CellText(table, row, column, buffer);
        if (!ranked || cell.size() > 16) {
            ranked = false;
            return true;
        }
        std::array<unsigned char, 16> head{};
        std::copy_n(cell.begin(), cell.size(), head.begin());
        const Text text{BigEndianBytes(head.data()), BigEndianBytes(head.data() + 8), cell.size()};
        std::size_t slot = ((text.Hi ^ (text.Lo * 0x9E37'79B9'7F4A'7C15) ^ text.Length) * 0xBF58'476D'1CE4'E5B9) >>
                           (64 - std::countr_zero(slots.size()));
        while (slots[slot] != kNoSlot && texts[slots[slot]] != text)
            slot = (slot + 1) % slots.size();
        if (slots[slot] == kNoSlot) {
            if (texts.size() == kMostTexts) {
                ranked = false;
                return true;
            }
            slots[slot] = static_cast<std::uint32_t>(texts.size());
            texts.push_back(text);
        }
        keys[position] = slots[slot];
        return true;
    };
    keys.resize(table.Rows.size());
    if (ReadKeys(table, column, positionOf, keyOf, bad) != Reading::Keys || !ranked)
        return false;
    // Zero padding sorts a prefix first; equal padded bytes leave the length.
    std::vector<std::uint32_t> byText(texts.size());
    for (std::size_t t = 0; t < byText.size(); ++t)
        byText[t] = static_cast<std::uint32_t>(t);
    std::sort(byText.begin(), byText.end(), [&](std::uint32_t a, std::uint32_t b) { return texts[a] < texts[b]; });
    std::vector<std::uint64_t> rankOf(texts.size());
    for (std::size_t k = 0; k < byText.size(); ++k)
        rankOf[byText[k]] = ascending ? k : byText.size() - 1 - k;
    for (std::uint64_t& key : keys)
        key = rankOf[key];
    return true;
}

// The placing of a sort by a text column; none when some row lacks the
// column. Texts that agree in their first sixteen bytes are told apart,
// and ordered, by the whole text (which also puts "ab" before "ab\0"). Text
// columns hold names or kept texts, which need no buffer of their own.
template <typename PositionOf>
void TextPlacing(const ReportTable& table, std::size_t column, bool ascending, PositionOf positionOf,
                 bool withExchanges, SortBuffers& buffers, Placing& placing)
{
    const std::size_t n = table.Rows.size();
    const std::uint64_t flip = ascending ? 0 : ~std::uint64_t{0};
    std::vector<TextEntry> entries(n);  // in the order shown, as for numbers
    std::vector<std::uint32_t> rowOf(n);
    std::string buffer;
    std::size_t bad = 0;
    auto keyOf = [&](const ReportRow& row, std::size_t r, std::uint32_t position) {
        const std::string_view cell = CellText(table, row, column, buffer);
        std::array<unsigned char, 16> head{};
        std::copy_n(cell.begin(), std::min(cell.size(), head.size()), head.begin());
        entries[position] = {BigEndianBytes(head.data()) ^ flip, BigEndianBytes(head.data() + 8) ^ flip, position,
                             static_cast<std::uint32_t>(std::min<std::size_t>(cell.size(), 17))};
        rowOf[position] = static_cast<std::uint32_t>(r);
        return true;
    };
    if (ReadKeys(table, column, positionOf, keyOf, bad) != Reading::Keys)
        return;
    std::vector<TextEntry> spare;
    OrderEntries<2>(
        entries, spare,
        [](const TextEntry& a, const TextEntry& b) { return a.Hi < b.Hi || (a.Hi == b.Hi && a.Lo < b.Lo); },
        [](const TextEntry& e, std::size_t w) { return w == 0 ? e.Lo : e.Hi; });

    // From here on Length numbers the runs of equal texts.
    std::string other;
    auto cellAt = [&](const TextEntry& e, std::string& into) {
        return CellText(table, table.Rows[rowOf[e.Position]], column, into);
    };
    std::uint32_t run = 0;
    for (std::size_t k = 0; k < n; ++run) {
        std::size_t end = k + 1;
        bool sameTexts = entries[k].Length <= 16;
        while (end < n && entries[end].Hi == entries[k].Hi && entries[end].Lo == entries[k].Lo) {
            sameTexts = sameTexts && entries[end].Length == entries[k].Length;
            ++end;
        }
        const auto first = entries.begin() + static_cast<std::ptrdiff_t>(k);
        const auto last = entries.begin() + static_cast<std::ptrdiff_t>(end);
        if (!sameTexts)
            std::sort(first, last, [&](const TextEntry& a, const TextEntry& b) {
                const std::string_view x = cellAt(a, buffer);
                const std::string_view y = cellAt(b, other);
                return ascending ? x < y : y < x;
            });
        for (auto e = first; e != last; ++e) {
            if (!sameTexts && e != first)
                run += cellAt(*(e - 1), buffer) != cellAt(*e, other);
            e->Length = run;
        }
        k = end;
    }
    SelectionPlacing(
        n, [&](std::size_t k) { return entries[k].Position; },
        [&](std::size_t k) { return entries[k].Length != entries[k - 1].Length; }, withExchanges, buffers, placing);
}

// The placing of a sort whose row r stands at positionOf(r), or the error
// of a key that does not read; no Order when nothing moves.
template <typename PositionOf>
SortError SortPlacing(const ReportTable& table, int column, ColumnKind kind, bool ascending, PositionOf positionOf,
                      bool withExchanges, SortBuffers& buffers, Placing& placing)
{
    placing.Order.clear();
    placing.FromAt.clear();
    const std::size_t n = table.Rows.size();
    if (kind == ColumnKind::Month || kind == ColumnKind::Weekday || n < 2 || column < 0)
        return std::nullopt;
    const auto c = static_cast<std::size_t>(column);
    if (kind == ColumnKind::Text) {
        if (RankTexts(table, c, ascending, positionOf, buffers.Keys))
            PlaceByKeys(buffers, withExchanges, placing);
        else
            TextPlacing(table, c, ascending, positionOf, withExchanges, buffers, placing);
        return std::nullopt;
    }
    const std::uint64_t flip = ascending ? 0 : ~std::uint64_t{0};
    // Keys stand in the order shown, so that the rows of one key come in
    // nearly the order of their positions.
    std::vector<std::uint64_t>& keys = buffers.Keys;
    keys.resize(n);
    std::size_t bad = 0;
    auto keyOf = [&](const ReportRow& row, std::size_t, std::uint32_t position) {
        const std::optional<std::int64_t> key = NumberKey(row.Values, kind);
        keys[position] = OrderedBits(key.value_or(0)) ^ flip;
        return key.has_value();
    };
    switch (ReadKeys(table, c, positionOf, keyOf, bad)) {
    case Reading::MissingColumn: return std::nullopt;
    case Reading::Unreadable: return UnreadableKeyError(table, table.Rows[bad], c, kind);
    case Reading::Keys: break;
    }
    PlaceByKeys(buffers, withExchanges, placing);
    return std::nullopt;
}

}  // namespace

SortError SortList(ReportTable& table, int column, ColumnKind kind, std::uint8_t ascending)
{
    // Every key is read before any row moves, so an unreadable key leaves
    // the table as it was and the error names the first such cell.
    SortBuffers buffers;
    Placing placing;
    const SortError error = SortPlacing(
        table, column, kind, ascending != 0, [](std::size_t r) { return static_cast<std::uint32_t>(r); }, true,
        buffers, placing);
    if (!placing.FromAt.empty())
        Exchange(table.Rows, placing.FromAt, SwapRows);
    return error;
}

struct RowOrder::Buffers : SortBuffers {};

RowOrder::RowOrder(const ReportTable& table) : rowAt_(table.Rows.size()), buffers_(std::make_unique<Buffers>())
{
    for (std::size_t k = 0; k < rowAt_.size(); ++k)
        rowAt_[k] = static_cast<std::uint32_t>(k);
}

RowOrder::~RowOrder() = default;

SortError RowOrder::Sort(const ReportTable& table, int column, ColumnKind kind, std::uint8_t ascending)
{
    std::vector<std::uint32_t>& positionOf = buffers_->PositionOf;
    positionOf.resize(rowAt_.size());
    for (std::size_t k = 0; k < rowAt_.size(); ++k)
        positionOf[rowAt_[k]] = static_cast<std::uint32_t>(k);
    Placing placing;
    placing.Order.swap(buffers_->Order);
    const SortError error = SortPlacing(
        table, column, kind, ascending != 0, [&positionOf](std::size_t r) { return positionOf[r]; }, false,
        *buffers_, placing);
    // positionOf is free again: it takes the new order of the rows.
    if (!placing.Order.empty()) {
        for (std::size_t k = 0; k < placing.Order.size(); ++k)
            positionOf[k] = rowAt_[placing.Order[k]];
        rowAt_.swap(positionOf);
    }
    buffers_->Order.swap(placing.Order);
    return error;
}

void RowOrder::Place(ReportTable& table)
{
    Placing placing;
    SelectionPlacing(
        rowAt_.size(), [this](std::size_t k) { return rowAt_[k]; }, [](std::size_t) { return true; }, true,
        *buffers_, placing);
    Exchange(table.Rows, placing.FromAt, SwapRows);
}

}  // namespace vy
