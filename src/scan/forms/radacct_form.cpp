// A CSV copy of FreeRADIUS's SQL table radacct, as psql's
// "\copy radacct to f.csv csv header" writes it: a header naming the
// columns, then one row a line, fields quoted where they hold a comma or a
// quote ("" inside), NULL as an empty field. Columns are found by name
// (any letter case); a row whose acctstoptime is not empty is a finished
// session, one connection. FreeRADIUS's SQL module escapes line breaks out
// of its values, so a row never spans lines: one whose quote does not close
// on its line is damaged.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "scan/accounting_record.h"
#include "scan/forms/csv_fields.h"
#include "scan/forms/log_form_table.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

// The columns read: the fields of a Stop, and the session's start and stop
// times after them.
using F = AccountingField;
constexpr std::size_t At(F f) { return static_cast<std::size_t>(f); }
constexpr std::size_t kStartTime = kAccountingFields, kStopTime = kAccountingFields + 1, kColumns = kStopTime + 1;
struct Column {
    std::string_view Name;
    std::size_t Place;  // a field, or one of the times
};
constexpr std::array kColumnNames{
    Column{"username", At(F::UserName)},           Column{"nasidentifier", At(F::NasIdentifier)},
    Column{"nasipaddress", At(F::NasIpAddress)},   Column{"nasportid", At(F::NasPortId)},
    Column{"acctstarttime", kStartTime},           Column{"acctstoptime", kStopTime},
    Column{"acctsessiontime", At(F::SessionTime)}, Column{"connectinfo_start", At(F::ConnectInfo)},
    Column{"connectinfo_stop", At(F::ConnectInfoStop)}, Column{"acctinputoctets", At(F::InputOctets)},
    Column{"acctoutputoctets", At(F::OutputOctets)}};

// The columns a row must have for the file to be a radacct copy.
constexpr std::array kRequired{At(F::UserName), kStartTime, At(F::SessionTime), At(F::InputOctets), At(F::OutputOctets)};

// The place in header of each column read, by field and time, -1 for one it
// lacks; nullopt when it is no radacct header.
std::optional<std::array<int, kColumns>> ReadHeader(std::string_view header)
{
    FieldSplitter splitter;
    if (!splitter.Split(header, ','))
        return std::nullopt;
    const std::vector<std::string_view>& names = splitter.Fields();
    std::array<int, kColumns> places;
    places.fill(-1);
    for (std::size_t i = 0; i < names.size(); ++i)
        for (const Column& c : kColumnNames)
            if (places[c.Place] < 0 && EqualAsciiFolded(names[i], c.Name))
                places[c.Place] = static_cast<int>(i);
    for (std::size_t c : kRequired)
        if (places[c] < 0)
            return std::nullopt;
    return places;
}

// "YYYY-MM-DD HH:MM:SS" (or a "T" between), then perhaps a fraction and an
// offset ("+hh", "+hh:mm", "-hh", "Z"), which are passed over: the clock as
// written.
std::optional<std::int64_t> ReadTimestamp(std::string_view text)
{
    auto number = [&](std::size_t at, std::size_t n) {
        return at + n <= text.size() ? ReadDigits<int>(text.substr(at, n)) : std::nullopt;
    };
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || (text[10] != ' ' && text[10] != 'T') ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const auto hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    std::size_t at = 19;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && IsAsciiDigit(text[at]))
            ++at;
    }
    const std::string_view offset = text.substr(at);
    const bool offsetForm = offset.empty() || offset == "Z" ||
                            ((offset[0] == '+' || offset[0] == '-') &&
                             ((offset.size() == 3 && number(at + 1, 2)) ||
                              (offset.size() == 6 && offset[3] == ':' && number(at + 1, 2) && number(at + 4, 2))));
    if (!offsetForm)
        return std::nullopt;
    return SecondOf(*year, *month, *day, *hour, *minute, *second);
}

class RadacctReading {
public:
    explicit RadacctReading(FormReading& r) : r_(r) {}

    bool Run()
    {
        LogLineRead line;
        std::int64_t number = 0;
        while (r_.Reader.Next(line)) {
            ++number;
            r_.Progress.Line(r_.FileStart + static_cast<double>(r_.Reader.Consumed()), false);
            if (line.Overlong)
                r_.Sink.Overlong(r_.File, number);
            else if (!places_)
                Header(line.Text);
            else if (!line.Text.empty())
                Row(line.Text, number);
            if (r_.Sink.Stopped())
                return false;
        }
        return true;
    }

private:
    void Header(std::string_view text)
    {
        if (text.empty())
            return;
        places_ = ReadHeader(text);
        splitter_.Split(text, ',');
        columns_ = splitter_.Fields().size();
    }

    std::string_view Field(std::size_t c) const
    {
        const int place = (*places_)[c];
        const std::vector<std::string_view>& fields = splitter_.Fields();
        return place >= 0 && static_cast<std::size_t>(place) < fields.size() ? fields[static_cast<std::size_t>(place)]
                                                                             : std::string_view();
    }

    void Row(std::string_view text, std::int64_t number)
    {
        const bool split = splitter_.Split(text, ',');
        const std::size_t count = splitter_.Fields().size();
        const int stopPlace = (*places_)[kStopTime];
        const bool stopKnown = split && stopPlace >= 0 && static_cast<std::size_t>(stopPlace) < count;
        if (stopKnown && Field(kStopTime).empty())
            return;  // a session not finished
        if (!split || count != columns_ || QuotesOf(text, ',') != Quotes::Closed) {
            // Damaged or cut short: it may have been a finished session.
            r_.Sink.UnreadLine(r_.File, number);
            return;
        }
        AccountingRecord a;
        for (const Column& c : kColumnNames)
            if (c.Place < kAccountingFields)
                a.Fields[c.Place] = Field(c.Place);
        a.RecordSecond = ReadTimestamp(Field(kStartTime));
        a.TimeIsConnect = true;
        a.Encoding = r_.Reader.Encoding();
        if (ReadStopRecord(a, values_))
            r_.Sink.Parsed(values_);
        else
            r_.Sink.UnreadLine(r_.File, number);
    }

    FormReading& r_;
    std::optional<std::array<int, kColumns>> places_;
    std::size_t columns_ = 0;
    FieldSplitter splitter_;
    ConnectionLine values_;
};

// The first line that is not empty is the header.
bool RecognisesRadacct(std::string_view head) { return ReadHeader(FirstLineOf(head)).has_value(); }

}  // namespace

extern const LogFormEntry kRadacctForm{"radacct CSV", RecognisesRadacct,
                                       [](FormReading& reading) { return RadacctReading(reading).Run(); }};

}  // namespace vy
