#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "store/date_value.h"

namespace vy::cli {
namespace {

CliOptions Parsed(const std::vector<std::string>& args)
{
    const ParsedCommandLine p = ParseCommandLine(args);
    const auto* usage = std::get_if<UsageError>(&p);
    EXPECT_EQ(usage, nullptr) << (usage ? usage->Reason : "");
    const auto* o = std::get_if<CliOptions>(&p);
    return o ? *o : CliOptions{};
}

std::string Usage(const std::vector<std::string>& args)
{
    const ParsedCommandLine p = ParseCommandLine(args);
    const auto* usage = std::get_if<UsageError>(&p);
    return usage ? usage->Reason : "<accepted>";
}

TEST(ParseIsoDate, OnlyRealDaysInTheOneForm)
{
    EXPECT_EQ(ParseIsoDate("1998-10-05"), EncodeDate(1998, 10, 5));
    EXPECT_EQ(ParseIsoDate("2000-02-29"), EncodeDate(2000, 2, 29));
    EXPECT_EQ(ParseIsoDate("1900-02-29"), std::nullopt);
    EXPECT_EQ(ParseIsoDate("1998-13-01"), std::nullopt);
    EXPECT_EQ(ParseIsoDate("1998-10-32"), std::nullopt);
    EXPECT_EQ(ParseIsoDate("0000-01-01"), std::nullopt);
    for (const char* bad : {"", "1998-1-05", "98-10-05", "1998/10/05", "1998-10-05x", " 998-10-05", "+998-10-05",
                            "1998-1a-05", "05.10.1998"})
        EXPECT_EQ(ParseIsoDate(bad), std::nullopt) << bad;
}

TEST(ParseCommandLine, DefaultsAndEveryOption)
{
    const CliOptions d = Parsed({"/logs"});
    EXPECT_EQ(d.Folder, QString("/logs"));
    EXPECT_FALSE(d.From || d.To || d.Language || d.Events || d.Filter || d.Node || d.Output);
    EXPECT_EQ(d.View, ReportView::Users);
    EXPECT_EQ(d.Format, OutputFormat::Text);
    EXPECT_FALSE(d.CheckDuplicates);
    EXPECT_FALSE(d.UseStoredSettings);

    const CliOptions o = Parsed({"--from", "1998-10-01", "--to=1998-10-31", "--language", "DE", "--events",
                                 "20050", "--filter", "*.log", "--exclude-users", "bob, alice", "--exclude-domains",
                                 "Local", "--exclude-ports=COM1", "--check-duplicates", "--view", "date", "--node",
                                 "1998 \\ October", "--click", "0", "--click=2", "--format", "html", "--output",
                                 "out", "logs dir"});
    EXPECT_EQ(o.From, EncodeDate(1998, 10, 1));
    EXPECT_EQ(o.To, EncodeDate(1998, 10, 31));
    EXPECT_EQ(o.Language, "DE");
    EXPECT_EQ(o.Events, "20050");
    EXPECT_EQ(o.Filter, QString("*.log"));
    EXPECT_EQ(o.ExcludeUsers, "bob, alice");
    EXPECT_EQ(o.ExcludeDomains, "Local");
    EXPECT_EQ(o.ExcludePorts, "COM1");
    EXPECT_TRUE(o.CheckDuplicates);
    EXPECT_EQ(o.View, ReportView::Date);
    EXPECT_EQ(o.Node, "1998 \\ October");
    EXPECT_EQ(o.Clicks, (std::vector<int>{0, 2}));
    EXPECT_EQ(o.Format, OutputFormat::Html);
    EXPECT_EQ(o.Output, QString("out"));
    EXPECT_EQ(o.Folder, QString("logs dir"));
}

TEST(ParseCommandLine, ValuesAreTakenAsGiven)
{
    // Empty texts and texts that look like options are values after their option.
    const CliOptions o = Parsed({"--events", "", "--language", "de", "--exclude-users", "--odd", "--node=a=b", "d"});
    EXPECT_EQ(o.Events, "");
    EXPECT_EQ(o.Language, "de");
    EXPECT_EQ(o.ExcludeUsers, "--odd");
    EXPECT_EQ(o.Node, "a=b");
    // Single-byte texts pass untouched.
    EXPECT_EQ(Parsed({"--exclude-users", "j\xf6rg", "d"}).ExcludeUsers, "j\xf6rg");
    // The last of a repeated option counts; clicks add up.
    const CliOptions r = Parsed({"--format", "html", "--format", "tree", "--click", "1", "--click", "1", "d"});
    EXPECT_EQ(r.Format, OutputFormat::Tree);
    EXPECT_EQ(r.Clicks, (std::vector<int>{1, 1}));
    // After "--" a folder may begin with a dash; a lone dash is a folder.
    EXPECT_EQ(Parsed({"--", "-logs"}).Folder, QString("-logs"));
    EXPECT_EQ(Parsed({"-"}).Folder, QString("-"));
    // With --settings the folder may be left out.
    const CliOptions s = Parsed({"--settings"});
    EXPECT_TRUE(s.UseStoredSettings);
    EXPECT_FALSE(s.Folder);
}

TEST(ParseCommandLine, BadUsageSaysWhy)
{
    EXPECT_EQ(Usage({}), "no folder given");
    EXPECT_EQ(Usage({"--view", "date"}), "no folder given");
    EXPECT_EQ(Usage({"--bogus", "d"}), "unknown option '--bogus'");
    EXPECT_EQ(Usage({"-x", "d"}), "unknown option '-x'");
    EXPECT_EQ(Usage({"--from", "1998-13-01", "d"}), "--from needs a date written YYYY-MM-DD, not '1998-13-01'");
    EXPECT_EQ(Usage({"d", "--to"}), "--to needs a value");
    EXPECT_EQ(Usage({"--view", "tree", "d"}), "--view takes users or date, not 'tree'");
    EXPECT_EQ(Usage({"--format", "xml", "d"}), "--format takes text, html, tree, csv, json or records, not 'xml'");
    EXPECT_EQ(Usage({"--click", "-1", "d"}), "--click needs a column number (0, 1, ...), not '-1'");
    EXPECT_EQ(Usage({"--click", "2x", "d"}), "--click needs a column number (0, 1, ...), not '2x'");
    EXPECT_EQ(Usage({"--click", "99999999999", "d"}), "--click needs a column number (0, 1, ...), not '99999999999'");
    EXPECT_EQ(Usage({"--output", "", "d"}), "--output needs a file name");
    EXPECT_EQ(Usage({"--settings=yes"}), "--settings takes no value");
    EXPECT_EQ(Usage({"a", "b"}), "more than one folder given ('a' and 'b')");
    EXPECT_EQ(Usage({""}), "the folder name is empty");
}

TEST(ParseCommandLine, HelpAndVersionWinOverTheRest)
{
    EXPECT_TRUE(std::holds_alternative<ShowHelp>(ParseCommandLine({"--bogus", "--help"})));
    EXPECT_TRUE(std::holds_alternative<ShowHelp>(ParseCommandLine({"-h"})));
    EXPECT_TRUE(std::holds_alternative<ShowVersion>(ParseCommandLine({"--version", "--from", "x"})));
    // ... but not as a folder after "--".
    const ParsedCommandLine p = ParseCommandLine({"--", "--help"});
    ASSERT_TRUE(std::holds_alternative<CliOptions>(p));
    EXPECT_EQ(std::get<CliOptions>(p).Folder, QString("--help"));
    EXPECT_NE(HelpText().find("--check-duplicates"), std::string::npos);
}

}  // namespace
}  // namespace vy::cli
