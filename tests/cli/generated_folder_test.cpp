// vy-report on folders from the log generator: the totals it prints agree
// with what the generator wrote, in both views, both languages, with and
// without the duplicate check.

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "cli/run_program.h"
#include "loggen/log_generator.h"
#include "scan/scan_test_support.h"

namespace vy {
namespace {

using testing::RunVyReport;

struct Totals {
    std::int64_t Seconds = 0;
    std::int64_t Sent = 0;
    std::int64_t Received = 0;
    friend bool operator==(const Totals&, const Totals&) = default;
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
                out.push_back(std::to_string(run.Exit) + run.Err + run.Out);
            }
        return out;
    };
    const std::vector<std::string> original = reports(demo);
    ASSERT_GT(original[0].size(), 100u);
    for (scantest::TextForm form : scantest::kEveryTextForm) {
        QTemporaryDir copy;
        scantest::ReencodeFolder(demo, copy.path(), form);
        EXPECT_EQ(reports(copy.path()), original) << "form " << static_cast<int>(form);
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
