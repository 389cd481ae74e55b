// Why a scan kept nothing, and the click offered to get the connections.

#include <gtest/gtest.h>

#include "reports/date_text.h"
#include "settings/event_list_text.h"
#include "store/date_value.h"
#include "ui/scan_offer.h"

namespace vy {
namespace {

const double kOct1 = *EncodeDate(1998, 10, 1);
const double kOct31 = *EncodeDate(1998, 10, 31);

ScanResult ReadFiles(std::int64_t connections)
{
    ScanResult result;
    result.FileFilter = "*.txt";
    result.LogFileList = {"a.txt", "b.txt"};
    for (const QString& name : result.LogFileList) {
        result.Files.emplace_back();
        result.Files.back().Name = name;
        result.Files.back().Form = "classic";
        result.Files.back().Connections = connections;
    }
    return result;
}

TEST(ScanOffer, EachCauseOfAnEmptyResultIsToldApart)
{
    const DateTexts& dates = ProcessDateTexts();
    std::set<QString> said;
    const auto why = [&](const ScanResult& r) {
        const QString text = WhyNothingWasKept(r, dates, "/logs", kOct1, kOct31);
        said.insert(text);
        return text;
    };

    ScanResult noMatch;
    noMatch.FileFilter = "*.txt";
    noMatch.FolderLeftOut = {{".csv", 2}, {".evtx", 1}};
    EXPECT_TRUE(why(noMatch).contains("2 .csv files and 1 .evtx file")) << why(noMatch).toStdString();
    const ScanOffer filter = OfferAfterScan(noMatch, dates, 0, kOct1, kOct31);
    EXPECT_EQ(filter.Action, ScanOffer::Kind::SetFilter);
    EXPECT_EQ(filter.Filter, "*.txt;*.csv;*.evtx");

    ScanResult notListed = ReadFiles(0);
    notListed.EventsNotListed = {{20251, 3}, {20272, 4}};
    EXPECT_TRUE(why(notListed).contains("7 connection events were found")) << why(notListed).toStdString();
    const ScanOffer events = OfferAfterScan(notListed, dates, 0, kOct1, kOct31);
    EXPECT_EQ(events.Action, ScanOffer::Kind::AddEvents);
    EXPECT_EQ(events.Caption, "Add 20272 and 20251 to the event list and scan again");
    EXPECT_EQ(EventListIds(EventListWith("20050;20048", events.EventIds)),
              (QStringList{"20050", "20048", "20272", "20251"}));
    EXPECT_EQ(EventListWith("", {"20272"}), "20272");

    const QString none = why(ReadFiles(0));
    EXPECT_TRUE(none.contains("a.txt and b.txt")) << none.toStdString();
    EXPECT_EQ(OfferAfterScan(ReadFiles(0), dates, 0, kOct1, kOct31).Action, ScanOffer::Kind::None);

    ScanResult outside = ReadFiles(5);
    outside.ConnectionSpan = {{*EncodeDate(1998, 9, 3) + 0.5, *EncodeDate(1998, 9, 20) + 0.25}};
    const ScanOffer span = OfferAfterScan(outside, dates, 0, kOct1, kOct31);
    EXPECT_TRUE(why(outside).contains(QString::fromLatin1(dates.FormatDate(*EncodeDate(1998, 9, 20)))));
    EXPECT_EQ(span.Action, ScanOffer::Kind::SetDates);
    EXPECT_EQ(span.Dates, std::make_pair(*EncodeDate(1998, 9, 3), *EncodeDate(1998, 9, 20)));
    // Kept connections need no way out.
    EXPECT_EQ(OfferAfterScan(outside, dates, 1, kOct1, kOct31).Action, ScanOffer::Kind::None);

    ScanResult excluded = ReadFiles(5);
    excluded.ConnectionSpan = {{kOct1 + 2, kOct1 + 3}};
    EXPECT_TRUE(why(excluded).contains("exclusion lists"));
    EXPECT_EQ(said.size(), 5u);  // five causes, five texts
}

TEST(ScanOffer, CountsTakeTheirPlural)
{
    EXPECT_EQ(CountOf(1, "file", "files"), "1 file");
    EXPECT_EQ(CountOf(0, "file", "files"), "0 files");
}

}  // namespace
}  // namespace vy
