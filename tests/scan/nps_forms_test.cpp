#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <QDir>
#include <QString>

#include "scan/forms/nps_records.h"
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

class Collected : public ReadSink {
public:
    void FileBegin(std::size_t) override {}
    void FileUnreadable(std::size_t) override {}
    void Percent(int, bool) override {}
    void Connection(std::string_view, std::int64_t) override {}
    void Message(const EventMessage&) override {}
    void Parsed(const ConnectionLine& c) override
    {
        const CivilDate d = DecodeDate(c.DateTime);
        const int minute = SecondsOfDay(c.DateTime) / 60;
        char when[32];
        std::snprintf(when, sizeof when, "%04d-%02d-%02dT%02d:%02d", d.Year, d.Month, d.Day, minute / 60, minute % 60);
        std::ostringstream line;
        line << when << ',' << Cell(c.Domain) << ',' << Cell(c.User) << ',' << Cell(c.Server) << ',' << Cell(c.Port)
             << ',' << Cell(c.Speed) << ',' << c.ActiveTime << ',' << c.BytesSent << ',' << c.BytesReceived << "\n";
        records += line.str();
    }
    void Overlong() override {}
    void UnreadLine(std::size_t, std::int64_t line) override { unread.push_back(line); }
    void UnreadRecord(std::size_t, std::int64_t) override {}
    void EventNotListed(int) override {}
    bool Stopped() override { return false; }
    std::string records;
    std::vector<std::int64_t> unread;
};

// Files written by hand from the documented formats: each reads to its
// expected records, and the damaged records in it are counted by their lines.
TEST(NpsForms, HandWrittenLogsReadToTheirRecords)
{
    const QDir data(QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR")) + "/tests/data/accounting");
    struct Case {
        const char* File;
        bool (*Recognises)(std::string_view);
        NpsLineParser Parse;
        std::vector<std::int64_t> Unread;
    };
    for (const Case& c : {Case{"nps-dts-IN2612", RecognisesNpsDts, ParseNpsDtsLine, {10, 13}},
                          Case{"nps-odbc-IN2612", RecognisesNpsOdbc, ParseNpsOdbcLine, {8, 11, 13}},
                          Case{"nps-ias-IN2612", RecognisesNpsIas, ParseNpsIasLine, {8, 11, 12}}}) {
        SCOPED_TRACE(c.File);
        LogReader reader;
        ASSERT_TRUE(reader.Open(data.filePath(QString(c.File) + ".log")));
        EXPECT_TRUE(c.Recognises(reader.Head()));
        Collected sink;
        ReadingProgress progress(sink, 1);
        EXPECT_TRUE(ReadNpsLines({reader, 0, progress, 0, sink}, c.Parse));
        const std::string expected = Slurp(data.filePath(QString(c.File) + ".records.csv"));
        EXPECT_EQ(sink.records, expected.substr(expected.find('\n') + 1));
        EXPECT_EQ(sink.unread, c.Unread);
    }
}

}  // namespace
}  // namespace vy
