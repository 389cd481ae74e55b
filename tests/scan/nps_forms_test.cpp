#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <QDir>
#include <QString>

#include "scan/scan_run.h"
#include "store/date_value.h"

namespace vy {
namespace {

std::string Slurp(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A value as the expected records write it: UTF-8, quoted when it holds a
// comma or a quote.
std::string Cell(std::string_view latin1)
{
    const std::string text = QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())).toStdString();
    if (text.find_first_of(",\"") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The records of a scan as the expected records write them, in store order.
std::string RecordsText(const Stores& stores)
{
    std::string text;
    const NameTable& names = stores.Names;
    for (const ConnectionRecord& r : stores.Connections) {
        const InfoRec& user = names[r.UserIndex];
        const InfoRec& speed = names[r.SpeedIndex];
        const InfoRec& port = names[speed.Parent];
        const CivilDate d = DecodeDate(r.DateTime);
        const int minute = SecondsOfDay(r.DateTime) / 60;
        char when[32];
        std::snprintf(when, sizeof when, "%04d-%02d-%02dT%02d:%02d", d.Year, d.Month, d.Day, minute / 60, minute % 60);
        std::ostringstream line;
        line << when << ',' << Cell(names[user.Parent].Name) << ',' << Cell(user.Name) << ','
             << Cell(names[port.Parent].Name) << ',' << Cell(port.Name) << ',' << Cell(speed.Name) << ','
             << r.ActiveTime << ',' << r.BytesSent << ',' << r.BytesReceived << "\n";
        text += line.str();
    }
    return text;
}

// Files written by hand from the documented formats: each reads to its
// expected records, and its damaged records are counted from the first.
TEST(NpsForms, HandWrittenLogsReadToTheirRecords)
{
    const QDir data(QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR")) + "/tests/data/accounting");
    struct Case {
        const char* File;
        std::int64_t Unread, FirstUnread;
    };
    for (const Case& c : {Case{"nps-dts-IN2612", 2, 10}, Case{"nps-odbc-IN2612", 3, 8}, Case{"nps-ias-IN2612", 3, 8}}) {
        SCOPED_TRACE(c.File);
        ScanSettings s;
        s.LogDir = data.path();
        s.FileFilter = QString(c.File) + ".log";
        s.LogLanguage = "EN";
        s.NEvents = "20050";  // the event list does not apply
        s.InitialDate = *EncodeDate(2026, 12, 1);
        s.FinalDate = *EncodeDate(2026, 12, 31);
        const auto stores = std::make_unique<Stores>();
        const std::atomic<bool> stop{false};
        const ScanResult result = RunScan(s, *stores, stop, nullptr);
        const std::string expected = Slurp(data.filePath(QString(c.File) + ".records.csv"));
        EXPECT_EQ(RecordsText(*stores), expected.substr(expected.find('\n') + 1));
        ASSERT_EQ(result.Files.size(), 1u);
        EXPECT_EQ(result.Files[0].Unread, c.Unread);
        EXPECT_EQ(result.Files[0].FirstUnread, c.FirstUnread);
    }
}

}  // namespace
}  // namespace vy
