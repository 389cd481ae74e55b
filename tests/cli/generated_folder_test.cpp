// vy-report on folders from the log generator: the totals it prints agree
// with what the generator wrote, in both views, both languages, with and
// without the duplicate check; the data formats agree with the text.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "cli/csv_table.h"
#include "cli/run_program.h"
#include "loggen/log_generator.h"
#include "reports/date_text.h"
#include "reports/value_format.h"
#include "store/date_value.h"
#include "scan/scan_test_support.h"

namespace vy {
namespace {

using testing::RunVyReport;

struct Totals {
    std::int64_t Seconds = 0;
    std::int64_t Sent = 0;
    std::int64_t Received = 0;
    friend bool operator==(const Totals&, const Totals&) = default;
    void Add(const std::string& seconds, const std::string& sent, const std::string& received)
    {
        Seconds += std::stoll(seconds);
        Sent += std::stoll(sent);
        Received += std::stoll(received);
    }
};

std::ostream& operator<<(std::ostream& os, const Totals& t)
{
    return os << t.Seconds << "s " << t.Sent << " sent " << t.Received << " received";
}

std::int64_t Digits(const std::string& text)
{
    std::int64_t v = 0;
    for (char c : text)
        if (c >= '0' && c <= '9')
            v = v * 10 + (c - '0');
    return v;
}

// The totals cells of a page, read back: "   Time: H:MM:SS", "   Send: n",
// "   Receive: n".
Totals PageTotals(const std::string& page)
{
    auto cell = [&](const std::string& label) {
        const std::size_t at = page.find(label);
        EXPECT_NE(at, std::string::npos) << label;
        const std::size_t from = at + label.size();
        return page.substr(from, page.find("</I>", from) - from);
    };
    Totals t;
    const std::string time = cell("<B><I>   Time: ");
    const std::size_t c1 = time.find(':');
    t.Seconds = Digits(time.substr(0, c1)) * 3600 + Digits(time.substr(c1 + 1, 2)) * 60 + Digits(time.substr(c1 + 4, 2));
    t.Sent = Digits(cell("<B><I>   Send: "));
    t.Received = Digits(cell("<B><I>   Receive: "));
    return t;
}

Totals JsonTotals(const QJsonObject& json)
{
    const QJsonObject t = json["totals"].toObject();
    return {t["seconds"].toInteger(), t["sent"].toInteger(), t["received"].toInteger()};
}

std::vector<std::string> Split(const std::string& text, const std::string& end)
{
    std::vector<std::string> parts;
    for (std::size_t from = 0, at; (at = text.find(end, from)) != std::string::npos; from = at + end.size())
        parts.push_back(text.substr(from, at - from));
    return parts;
}

// The path of the first node of each kind (image) in a tree listing.
std::map<int, std::string> FirstNodeOfEachKind(const std::string& tree)
{
    std::map<int, std::string> paths;
    std::vector<std::string> texts;
    for (const std::string& line : Split(tree, "\r\n")) {
        const std::size_t indent = line.find_first_not_of(' ');
        const std::size_t blank = line.find(' ', indent);
        texts.resize(indent / 2);
        texts.push_back(line.substr(blank + 1));
        std::string path = texts[0];
        for (std::size_t i = 1; i < texts.size(); ++i)
            path += " \\ " + texts[i];
        paths.emplace(std::stoi(line.substr(indent, blank - indent)), path);
    }
    return paths;
}

// A date cell's value from its ISO 8601 form.
double FromIso(const std::string& text)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &sec);
    return EncodeDate(y, mo, d).value_or(0) + (h * 3600 + mi * 60 + sec) / 86400.0;
}

// What the generator wrote, and the same with every repeated connection
// counted once.
class Expected : public loggen::LineSink {
public:
    void BeginFile(const std::string&) override {}
    void Line(const std::string&, const loggen::Connection* c, bool) override
    {
        if (!c)
            return;
        Add(All, *c);
        std::string user = c->User;
        for (char& ch : user)
            if (ch >= 'A' && ch <= 'Z')
                ch = static_cast<char>(ch - 'A' + 'a');
        const auto key = std::make_tuple(c->Domain, user, c->Server, c->Port, c->Speed, c->Start, c->ActiveSeconds,
                                         c->BytesSent, c->BytesReceived);
        if (seen_.insert(key).second)
            Add(Unique, *c);
    }
    Totals All, Unique;

private:
    static void Add(Totals& t, const loggen::Connection& c)
    {
        t.Seconds += c.ActiveSeconds;
        t.Sent += c.BytesSent;
        t.Received += c.BytesReceived;
    }
    std::set<std::tuple<std::string, std::string, std::string, std::string, std::string, double, std::int32_t,
                        std::int32_t, std::int32_t>>
        seen_;
};

class GeneratedFolder : public ::testing::TestWithParam<loggen::Language> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        options_.Seed = 42;
        options_.Files = 3;
        options_.ConnectionLines = 1500;
        options_.OtherLines = 1500;
        options_.DuplicateLines = 40;
        options_.Lang = GetParam();
        options_.Users = 25;
        const loggen::GeneratedFolder written = loggen::GenerateLogFolder(dir_.path().toStdString(), options_);
        loggen::GenerateLines(options_, expected_);
        ASSERT_EQ(expected_.All.Seconds, written.ActiveSeconds);
        language_ = GetParam() == loggen::Language::German ? "DE" : "EN";
    }

    testing::ProgramRun Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--language", language_, "--from", "1998-10-01", "--to", "1998-10-31"});
        args.push_back(dir_.path().toStdString());
        return RunVyReport(args);
    }

    // Sums the totals of every root node's page in one view.
    Totals SumOfRoots(const std::string& view, const std::vector<std::string>& extra)
    {
        std::vector<std::string> treeArgs{"--view", view, "--format", "tree"};
        treeArgs.insert(treeArgs.end(), extra.begin(), extra.end());
        const std::string tree = Run(treeArgs).Out;
        Totals sum;
        int roots = 0;
        for (std::size_t from = 0, end; (end = tree.find("\r\n", from)) != std::string::npos; from = end + 2) {
            const std::string line = tree.substr(from, end - from);
            if (line.empty() || line[0] == ' ')
                continue;
            ++roots;
            std::vector<std::string> args{"--view", view, "--format", "html", "--node", line.substr(2)};
            args.insert(args.end(), extra.begin(), extra.end());
            const testing::ProgramRun run = Run(args);
            EXPECT_EQ(run.Exit, 0) << run.Err;
            const Totals t = PageTotals(run.Out);
            sum.Seconds += t.Seconds;
            sum.Sent += t.Sent;
            sum.Received += t.Received;
        }
        EXPECT_GT(roots, 0);
        return sum;
    }

    QTemporaryDir dir_;
    loggen::GeneratorOptions options_;
    Expected expected_;
    std::string language_;
};

TEST_P(GeneratedFolder, TotalsAgreeInBothViews)
{
    EXPECT_EQ(SumOfRoots("users", {}), expected_.All);
    EXPECT_EQ(SumOfRoots("date", {}), expected_.All);
}

TEST_P(GeneratedFolder, DuplicateCheckCountsEachConnectionOnce)
{
    ASSERT_NE(expected_.Unique, expected_.All);
    EXPECT_EQ(SumOfRoots("users", {"--check-duplicates"}), expected_.Unique);
    EXPECT_EQ(SumOfRoots("date", {"--check-duplicates"}), expected_.Unique);
    EXPECT_EQ(Run({"--check-duplicates", "--format", "tree"}).Err, "vy-report: Duplicates is found!\n");
}

// The csv and json forms of a table carry what its text shows, for a node
// of every kind, sorted by Time so that the values must move with the rows.
TEST_P(GeneratedFolder, DataFormatsCarryTheNumbersOfTheText)
{
    DateTexts dates(QLocale::c());
    dates.StripSeconds();
    std::set<int> kinds;
    for (const std::string view : {"users", "date"}) {
        for (const auto& [image, path] : FirstNodeOfEachKind(Run({"--view", view, "--format", "tree"}).Out)) {
            SCOPED_TRACE(path);
            kinds.insert(image);
            auto run = [&, &path = path](std::vector<std::string> more) {
                more.insert(more.begin(), {"--view", view, "--node", path});
                return Run(more).Out;
            };
            const std::vector<std::string> header = Split(Split(run({}), "\r\n").at(0), ";");
            const auto t = static_cast<std::size_t>(std::find(header.begin(), header.end(), "Time") - header.begin());
            const std::string time = std::to_string(t);
            std::vector<std::vector<std::string>> text;
            for (const std::string& line : Split(run({"--click", time}), "\r\n"))
                text.push_back(Split(line, ";"));
            const auto csv = testing::ReadCsv(run({"--format", "csv", "--click", time}));
            const QJsonObject json =
                QJsonDocument::fromJson(QByteArray::fromStdString(run({"--format", "json", "--click", time}))).object();
            const QJsonArray rows = json["rows"].toArray();
            ASSERT_EQ(csv.size(), text.size());
            ASSERT_EQ(static_cast<std::size_t>(rows.size()) + 1, csv.size());
            EXPECT_EQ(json["node"].toString().toStdString(), path);
            EXPECT_EQ(json["view"].toString().toStdString(), view);
            Totals sum;
            for (std::size_t r = 0; r < csv.size(); ++r) {
                ASSERT_EQ(csv[r].size(), header.size());
                for (std::size_t c = 0; c < header.size(); ++c) {
                    const std::string& shown = text[r][c];
                    // Values are written in full; the text shows them formatted.
                    std::string value = shown;
                    const std::string& written = csv[r][c];
                    if (r > 0 && header[c] == "Time") {
                        EXPECT_EQ(SecondsToText(std::stoll(written)), shown);
                    } else if (r > 0 && (header[c] == "Send" || header[c] == "Receive")) {
                        EXPECT_EQ(GroupDigits(",", std::stoll(written)), shown);
                    } else if (r > 0 && header[c] == "Date") {
                        EXPECT_EQ(dates.FormatDateTime(FromIso(written)), shown);
                    }
                    if (r > 0 && (header[c] == "Time" || header[c] == "Send" || header[c] == "Receive" ||
                                  header[c] == "Date"))
                        value = written;
                    EXPECT_EQ(csv[r][c], value) << "row " << r << ", " << header[c];
                    const QJsonValue cell = r == 0 ? json["columns"].toArray()[c] : rows[r - 1].toArray()[c];
                    EXPECT_EQ(cell.isDouble() ? std::to_string(cell.toInteger()) : cell.toString().toStdString(), value);
                }
                if (r > 0)  // Time, Send and Receive stand side by side
                    sum.Add(csv[r][t], csv[r][t + 1], csv[r][t + 2]);
            }
            EXPECT_EQ(JsonTotals(json), sum);
            EXPECT_EQ(JsonTotals(json), PageTotals(run({"--format", "html"})));
        }
    }
    EXPECT_EQ(kinds.size(), 8u);
}

// Every kept record once: summed per user they give each domain's table.
TEST_P(GeneratedFolder, RecordsSummedPerUserGiveTheDomainTables)
{
    const auto records = testing::ReadCsv(Run({"--format", "records", "--check-duplicates"}).Out);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0], (std::vector<std::string>{"datetime", "domain", "user", "server", "port", "speed", "seconds",
                                                    "sent", "received"}));
    std::map<std::string, std::map<std::string, Totals>> perUser;
    Totals all;
    for (std::size_t r = 1; r < records.size(); ++r) {
        perUser[records[r][1]][records[r][2]].Add(records[r][6], records[r][7], records[r][8]);
        all.Add(records[r][6], records[r][7], records[r][8]);
    }
    EXPECT_EQ(all, expected_.Unique);
    for (const auto& [domain, users] : perUser) {
        const auto table = testing::ReadCsv(Run({"--format", "csv", "--node", domain, "--check-duplicates"}).Out);
        std::map<std::string, Totals> shown;
        for (std::size_t r = 1; r < table.size(); ++r)
            shown[table[r][0]].Add(table[r][1], table[r][2], table[r][3]);
        EXPECT_EQ(shown, users) << domain;
    }
}

// The demonstration folder in every line-end form and encoding reports as
// the original does.
TEST(TextForms, TheDemonstrationFolderReportsAlikeInEveryForm)
{
    QString source = QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR"));
    if (source.isEmpty())
        source = QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().filePath("../..");
    const QString demo = QDir::cleanPath(source + "/data/DemoLog");
    auto reports = [](const QString& folder) {
        std::vector<std::string> out;
        for (const char* view : {"users", "date"})
            for (const char* format : {"text", "html", "tree"}) {
                const testing::ProgramRun run =
                    RunVyReport({"--from", "1998-10-01", "--to", "1998-10-31", "--check-duplicates", "--view", view,
                                 "--format", format, folder.toStdString()});
                // The page's creation stamp is the clock's, not the folder's.
                std::string page = run.Out;
                if (const std::size_t at = page.find("Report created "); at != std::string::npos)
                    page.erase(at, page.find("</H6>", at) - at);
                out.push_back(std::to_string(run.Exit) + run.Err + page);
            }
        return out;
    };
    const std::vector<std::string> original = reports(demo);
    ASSERT_GT(original[0].size(), 100u);
    // A recognised line that cannot be read, made the third line of the
    // first file: every form reports the same, and names the same place.
    QTemporaryDir marked;
    for (const QString& name : QDir(demo).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(QDir(demo).filePath(name), QDir(marked.path()).filePath(name)));
    const QString first = QDir(demo).entryList({"*.txt"}, QDir::Files, QDir::Name).front();
    QFile file(QDir(marked.path()).filePath(first));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    lines.insert(2, "10/05/1998,10:20:00 AM,RemoteAccess,Information,None,20050,N/A,RAS1,The user was active "
                    "for 2 minutes.\r");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join('\n'));
    file.close();
    std::vector<std::string> withUnread = original;
    for (std::string& report : withUnread)
        report.insert(report.find('\n') + 1,
                      "vy-report: 1 connection line could not be read: " + first.toStdString() + " line 3\n");
    for (scantest::TextForm form : scantest::kEveryTextForm) {
        QTemporaryDir copy;
        scantest::ReencodeFolder(demo, copy.path(), form);
        EXPECT_EQ(reports(copy.path()), original) << "form " << static_cast<int>(form);
        QTemporaryDir markedCopy;
        scantest::ReencodeFolder(marked.path(), markedCopy.path(), form);
        EXPECT_EQ(reports(markedCopy.path()), withUnread) << "form " << static_cast<int>(form);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, GeneratedFolder,
                         ::testing::Values(loggen::Language::English, loggen::Language::German),
                         [](const ::testing::TestParamInfo<loggen::Language>& info) {
                             return info.param == loggen::Language::German ? std::string("German")
                                                                           : std::string("English");
                         });

}  // namespace
}  // namespace vy
