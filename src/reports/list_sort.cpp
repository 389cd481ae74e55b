#include "reports/list_sort.h"

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>
#include <vector>

#include "reports/date_text.h"

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

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A decimal integer: leading blanks, an optional sign, then digits to the
// end. Nothing else, and nothing beyond 64 bits.
std::optional<std::int64_t> ReadInteger(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size())
        return std::nullopt;
    // Accumulate the magnitude as unsigned so that the most negative value
    // still reads.
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    std::uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (magnitude > (limit - digit) / 10)
            return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    return negative ? static_cast<std::int64_t>(std::uint64_t{0} - magnitude) : static_cast<std::int64_t>(magnitude);
}

// Seconds of a duration text, or the part that could not be read.
std::optional<std::int64_t> ReadDuration(std::string_view text, std::string_view& badPart)
{
    // Shorter than "0:00:00" leaves no hours to read; the hours part is then
    // the empty text.
    if (text.size() < 7) {
        badPart = std::string_view();
        return std::nullopt;
    }
    const std::size_t length = text.size();
    const std::string_view hoursText = text.substr(0, length - 6);
    const std::string_view minutesText = text.substr(length - 5, 2);
    const std::string_view secondsText = text.substr(length - 2, 2);

    const auto hours = ReadInteger(hoursText);
    if (!hours) {
        badPart = hoursText;
        return std::nullopt;
    }
    const auto minutes = ReadInteger(minutesText);
    if (!minutes) {
        badPart = minutesText;
        return std::nullopt;
    }
    const auto seconds = ReadInteger(secondsText);
    if (!seconds) {
        badPart = secondsText;
        return std::nullopt;
    }
    // Hours so large that the total leaves 64 bits do not read either.
    std::int64_t total = 0;
    if (__builtin_mul_overflow(*hours, std::int64_t{3600}, &total) ||
        __builtin_add_overflow(total, *minutes * 60 + *seconds, &total)) {
        badPart = hoursText;
        return std::nullopt;
    }
    return total;
}

enum class Rule { None, Text, Port, Speed, Bytes, Time, Date };

Rule RuleNamed(std::string_view name)
{
    if (name == "Text")
        return Rule::Text;
    if (name == "Port")
        return Rule::Port;
    if (name == "Speed")
        return Rule::Speed;
    if (name == "Bytes")
        return Rule::Bytes;
    if (name == "Time")
        return Rule::Time;
    if (name == "Date")
        return Rule::Date;
    return Rule::None;
}

// Ranks of the keys: equal keys share a rank, a smaller key has a smaller
// rank. Only the order of keys matters to the sort, so it runs on ranks.
template <typename Key, typename Less>
std::vector<std::uint32_t> RankKeys(const std::vector<Key>& keys, Less less)
{
    const std::size_t n = keys.size();
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return less(keys[a], keys[b]); });
    std::vector<std::uint32_t> rank(n);
    std::uint32_t current = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0 && less(keys[order[k - 1]], keys[order[k]]))
            ++current;
        rank[order[k]] = current;
    }
    return rank;
}

// Text keys ranked through their first eight bytes as one big-endian number
// (zero-padded, which keeps a shorter prefix smaller), so most comparisons
// never leave the sorted array; only equal heads compare the whole texts.
std::vector<std::uint32_t> RankTexts(const std::vector<std::string_view>& keys)
{
    struct Entry {
        std::uint64_t Head;
        std::uint32_t Row;
    };
    const std::size_t n = keys.size();
    std::vector<Entry> entries(n);
    for (std::size_t r = 0; r < n; ++r) {
        std::uint64_t head = 0;
        const std::string_view key = keys[r];
        for (std::size_t k = 0; k < 8; ++k)
            head = (head << 8) | (k < key.size() ? static_cast<unsigned char>(key[k]) : 0u);
        entries[r] = {head, static_cast<std::uint32_t>(r)};
    }
    auto less = [&keys](const Entry& a, const Entry& b) {
        if (a.Head != b.Head)
            return a.Head < b.Head;
        return keys[a.Row] < keys[b.Row];
    };
    std::sort(entries.begin(), entries.end(), less);
    std::vector<std::uint32_t> rank(n);
    std::uint32_t current = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0 && less(entries[k - 1], entries[k]))
            ++current;
        rank[entries[k].Row] = current;
    }
    return rank;
}

// Reads every key in row order; the first cell that does not read ends the
// reading with its error.
struct KeyReading {
    std::vector<std::uint32_t> Ranks;
    SortError Error;
};

KeyReading ReadKeys(const ReportTable& table, std::size_t column, Rule rule, const DateTexts& dates)
{
    const std::size_t n = table.Rows.size();
    KeyReading result;
    auto cell = [&](std::size_t row) -> const std::string& { return table.Rows[row].Cells[column]; };

    switch (rule) {
    case Rule::Text: {
        std::vector<std::string_view> keys(n);
        for (std::size_t r = 0; r < n; ++r)
            keys[r] = cell(r);
        // string_view compares as unsigned bytes, the shorter prefix first.
        result.Ranks = RankTexts(keys);
        break;
    }
    case Rule::Port:
    case Rule::Speed:
    case Rule::Bytes:
    case Rule::Time: {
        std::vector<std::int64_t> keys(n);
        for (std::size_t r = 0; r < n; ++r) {
            const std::string& text = cell(r);
            if (rule == Rule::Port) {
                // A port name without digits, or one beyond 64 bits, counts
                // as 0, as in the tree's order of ports.
                keys[r] = ReadInteger(DigitsOnly(text)).value_or(0);
            } else if (rule == Rule::Speed) {
                keys[r] = ReadInteger(text).value_or(0);
            } else if (rule == Rule::Bytes) {
                const std::string digits = DigitsOnly(text);
                const auto value = ReadInteger(digits);
                if (!value) {
                    result.Error = ErrorText(kIntegerError, digits);
                    return result;
                }
                keys[r] = *value;
            } else {
                std::string_view bad;
                const auto value = ReadDuration(text, bad);
                if (!value) {
                    result.Error = ErrorText(kIntegerError, bad);
                    return result;
                }
                keys[r] = *value;
            }
        }
        result.Ranks = RankKeys(keys, std::less<std::int64_t>());
        break;
    }
    case Rule::Date: {
        std::vector<double> keys(n);
        for (std::size_t r = 0; r < n; ++r) {
            const auto value = dates.ParseDateTime(cell(r));
            if (!value) {
                result.Error = ErrorText(kDateError, cell(r));
                return result;
            }
            keys[r] = *value;
        }
        result.Ranks = RankKeys(keys, std::less<double>());
        break;
    }
    case Rule::None: break;
    }
    return result;
}

// A tournament over positions: each inner node holds the position of the
// smallest rank below it, the left (earlier) one on a tie, so the root is
// always the first smallest key of the positions still in play.
class FirstMinimum {
public:
    explicit FirstMinimum(std::vector<std::uint32_t> ranks) : ranks_(std::move(ranks))
    {
        leaves_ = 1;
        while (leaves_ < ranks_.size())
            leaves_ *= 2;
        ranks_.resize(leaves_, kGone);
        winners_.assign(2 * leaves_, 0);
        for (std::size_t k = 0; k < leaves_; ++k)
            winners_[leaves_ + k] = static_cast<std::uint32_t>(k);
        for (std::size_t node = leaves_ - 1; node >= 1; --node)
            winners_[node] = Better(winners_[2 * node], winners_[2 * node + 1]);
    }

    std::uint32_t Winner() const { return winners_[1]; }
    std::uint32_t Rank(std::size_t position) const { return ranks_[position]; }

    void Set(std::size_t position, std::uint32_t rank)
    {
        ranks_[position] = rank;
        for (std::size_t node = (leaves_ + position) / 2; node >= 1; node /= 2)
            winners_[node] = Better(winners_[2 * node], winners_[2 * node + 1]);
    }
    void Remove(std::size_t position) { Set(position, kGone); }

private:
    static constexpr std::uint32_t kGone = std::numeric_limits<std::uint32_t>::max();

    std::uint32_t Better(std::uint32_t left, std::uint32_t right) const
    {
        return ranks_[right] < ranks_[left] ? right : left;
    }

    std::vector<std::uint32_t> ranks_;
    std::vector<std::uint32_t> winners_;
    std::size_t leaves_ = 1;
};

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
    KeyReading keys = ReadKeys(table, c, kind, dates);
    if (keys.Error)
        return keys.Error;

    if (!ascending) {
        // Descending is ascending by the reversed ranks: the first largest
        // key becomes the first smallest.
        const std::uint32_t top = *std::max_element(keys.Ranks.begin(), keys.Ranks.end());
        for (auto& rank : keys.Ranks)
            rank = top - rank;
    }

    // Each step places the first best row of the rest at position i and
    // carries the row that stood there to the chosen row's old place.
    FirstMinimum tournament(std::move(keys.Ranks));
    const std::size_t n = rows.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const std::size_t best = tournament.Winner();
        if (best != i) {
            std::swap(rows[i].Cells, rows[best].Cells);
            std::swap(rows[i].Values, rows[best].Values);
            tournament.Set(best, tournament.Rank(i));
        }
        tournament.Remove(i);
    }
    return std::nullopt;
}

std::string DigitsOnly(std::string_view text)
{
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    return digits;
}

std::optional<std::int64_t> DurationToSeconds(std::string_view text)
{
    std::string_view bad;
    return ReadDuration(text, bad);
}

std::string_view SortRuleFor(int reportKind, int column)
{
    static const std::array<std::vector<std::string_view>, 8> rules = {{
        {"Text", "Time", "Bytes", "Bytes"},
        {"Date", "Text", "Port", "Time", "Bytes", "Bytes", "Speed"},
        {"Port", "Time", "Bytes", "Bytes"},
        {"Speed", "Time", "Bytes", "Bytes"},
        {"Date", "Text", "Time", "Bytes", "Bytes"},
        {"", "Time", "Bytes", "Bytes"},
        {"Bytes", "Time", "Bytes", "Bytes", ""},
        {"Date", "Text", "Text", "Text", "Port", "Time", "Bytes", "Bytes", "Speed"},
    }};
    if (reportKind < 1 || reportKind > 8 || column < 0)
        return {};
    const auto& kindRules = rules[static_cast<std::size_t>(reportKind - 1)];
    if (static_cast<std::size_t>(column) >= kindRules.size())
        return {};
    return kindRules[static_cast<std::size_t>(column)];
}

}  // namespace vy
