#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "cli/csv_table.h"
#include "cli/log_folder.h"
#include "cli/run_program.h"

namespace vy {
namespace {

using testing::EnglishLine;
using testing::GermanLine;
using testing::LogConnection;
using testing::ProgramRun;
using testing::RunVyReport;

// The connections both folders hold, by role:
const LogConnection kAlice{"DOM\\Alice", "SRV1", "COM2", "10/05/1998", "09:30am", "1 hour 2 minutes 3",
                           "12345", "67890", "28800"};
const LogConnection kBob{"DOM\\bob", "SRV1", "COM10", "10/05/1998", "01:15pm", "59", "999", "1000", "9600"};
const LogConnection kCarol{"carol", "SRV2", "COM1", "10/06/1998", "12:05am", "10 minutes 0", "1000", "2000", "28800"};
// Logged under another event ID: read only when --events lists it.
const LogConnection kErin{"DOM\\erin", "SRV1", "COM2", "10/08/1998", "10:00am", "5", "7", "8", "28800", "20049"};
const LogConnection kAliceLate{"DOM\\alice", "SRV1", "COM2", "10/07/1998", "11:00pm", "30", "1", "2", "28800"};
// Midnight after the final day belongs to the next day's range: not read
// over October.
const LogConnection kBobMidnight{"DOM\\bob", "SRV3", "COM1", "11/01/1998", "12:00am", "2 minutes 0", "5", "6",
                                 "115200"};
// A minute before the initial day.
const LogConnection kDaveEarly{"DOM\\dave", "SRV1", "COM2", "09/30/1998", "11:59pm", "1", "1", "1", "28800"};
const LogConnection kZed{"DOM\\zed", "SRV9", "COM1", "10/10/1998", "10:00am", "1", "1", "1", "9600"};

const char* kNoise =
    "10/05/1998,10:20:00 AM,RemoteAccess,Warning,None,20050,N/A,SRV1,The user DOM\\bob connected on port COM10 "
    "was disconnected by the administrator.";

// Writes the folder in one language: a.txt holds every connection (so the
// store order is known), b.txt only lines that leave no record, c.log a
// connection that the default filter does not pick up.
void WriteFolder(const QTemporaryDir& dir, bool german)
{
    auto line = [german](const LogConnection& c) { return german ? GermanLine(c) : EnglishLine(c); };
    testing::WriteLogFile(dir, "a.txt",
                          {line(kAlice), line(kBob), line(kCarol), line(kErin), kNoise, line(kAliceLate),
                           line(kAlice), line(kBobMidnight), line(kDaveEarly)});
    testing::WriteLogFile(dir, "b.txt", {"garbage", german ? EnglishLine(kAlice) : GermanLine(kAlice), ""});
    testing::WriteLogFile(dir, "c.log", {line(kZed)});
}

const std::string kUsersTree =
    "1 DOM\r\n"
    "  3 SRV1\r\n"
    "    4 COM2\r\n"
    "      5 28800\r\n"
    "    4 COM10\r\n"
    "      5 9600\r\n"
    "  2 alice\r\n"
    "  2 bob\r\n"
    "1 Local\r\n"
    "  3 SRV2\r\n"
    "    4 COM1\r\n"
    "      5 28800\r\n"
    "  2 carol\r\n";

const std::string kDomainTable =
    "User;Time;Send;Receive;\r\n"
    "alice;2:04:36;24,691;135,782;\r\n"
    "bob;0:00:59;999;1,000;\r\n";

const std::string kAliceRow = "5 Oct 1998 09:30;SRV1;COM2;1:02:03;12,345;67,890;28800;\r\n";
const std::string kAliceLateRow = "7 Oct 1998 23:00;SRV1;COM2;0:00:30;1;2;28800;\r\n";

class VyReport : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        english_ = new QTemporaryDir;
        german_ = new QTemporaryDir;
        WriteFolder(*english_, false);
        WriteFolder(*german_, true);
    }
    static void TearDownTestSuite()
    {
        delete english_;
        delete german_;
    }

    // vy-report on the English folder over October 1998, with more options.
    static ProgramRun English(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--from", "1998-10-01", "--to", "1998-10-31"});
        args.push_back(english_->path().toStdString());
        return RunVyReport(args);
    }
    static ProgramRun German(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--language", "DE", "--from", "1998-10-01", "--to", "1998-10-31"});
        args.push_back(german_->path().toStdString());
        return RunVyReport(args);
    }

    static QTemporaryDir* english_;
    static QTemporaryDir* german_;
};

QTemporaryDir* VyReport::english_ = nullptr;
QTemporaryDir* VyReport::german_ = nullptr;

std::vector<std::string> Lines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = bytes.find("\r\n", from)) != std::string::npos; from = end + 2)
        lines.push_back(bytes.substr(from, end - from));
    EXPECT_EQ(from, bytes.size()) << "text after the last line end";
    return lines;
}

TEST_F(VyReport, UsersViewTreeAndFirstTable)
{
    const ProgramRun tree = English({"--format", "tree"});
    EXPECT_EQ(tree.Exit, 0);
    EXPECT_EQ(tree.Out, kUsersTree);
    EXPECT_EQ(tree.Err, "");

    const ProgramRun table = English({});
    EXPECT_EQ(table.Exit, 0);
    EXPECT_EQ(table.Out, kDomainTable);
    EXPECT_EQ(table.Err, "");
}

TEST_F(VyReport, GermanFolderReadsTheSame)
{
    EXPECT_EQ(German({"--format", "tree"}).Out, kUsersTree);
    EXPECT_EQ(German({}).Out, kDomainTable);
    EXPECT_EQ(German({"--node", "DOM \\ alice"}).Out,
              "Date;Server;Port;Time;Send;Receive;Speed;\r\n" + kAliceRow + kAliceLateRow + kAliceRow);
    // Only the exact text DE selects German: with "de" the one English line
    // among the German ones is all that is read.
    std::vector<std::string> args{"--language", "de", "--from", "1998-10-01", "--to", "1998-10-31",
                                  german_->path().toStdString()};
    const ProgramRun lower = RunVyReport(args);
    EXPECT_EQ(lower.Exit, 0);
    EXPECT_EQ(lower.Out, "User;Time;Send;Receive;\r\nalice;1:02:03;12,345;67,890;\r\n");
    args.insert(args.begin(), {"--format", "tree"});
    EXPECT_EQ(RunVyReport(args).Out, "1 DOM\r\n  3 SRV1\r\n    4 COM2\r\n      5 28800\r\n  2 alice\r\n");
}

TEST_F(VyReport, EveryUsersViewNodeKind)
{
    EXPECT_EQ(English({"--node", "DOM"}).Out, kDomainTable);
    EXPECT_EQ(English({"--node", "Local"}).Out, "User;Time;Send;Receive;\r\ncarol;0:10:00;1,000;2,000;\r\n");
    // A connection list in store order, a midnight shown without its time.
    EXPECT_EQ(English({"--node", "DOM \\ alice"}).Out,
              "Date;Server;Port;Time;Send;Receive;Speed;\r\n" + kAliceRow + kAliceLateRow + kAliceRow);
    EXPECT_EQ(English({"--node", "DOM \\ bob"}).Out,
              "Date;Server;Port;Time;Send;Receive;Speed;\r\n"
              "5 Oct 1998 13:15;SRV1;COM10;0:00:59;999;1,000;9600;\r\n");
    EXPECT_EQ(English({"--node", "DOM \\ SRV1"}).Out,
              "Port;Time;Send;Receive;\r\nCOM2;2:04:36;24,691;135,782;\r\nCOM10;0:00:59;999;1,000;\r\n");
    EXPECT_EQ(English({"--node", "DOM \\ SRV1 \\ COM2"}).Out, "Speed;Time;Send;Receive;\r\n28800;2:04:36;24,691;135,782;\r\n");
    EXPECT_EQ(English({"--node", "DOM \\ SRV1 \\ COM2 \\ 28800"}).Out,
              "Date;User;Time;Send;Receive;\r\n"
              "5 Oct 1998 09:30;alice;1:02:03;12,345;67,890;\r\n"
              "7 Oct 1998 23:00;alice;0:00:30;1;2;\r\n"
              "5 Oct 1998 09:30;alice;1:02:03;12,345;67,890;\r\n");
    EXPECT_EQ(English({"--node", "Local \\ SRV2 \\ COM1 \\ 28800"}).Out,
              "Date;User;Time;Send;Receive;\r\n6 Oct 1998 00:05;carol;0:10:00;1,000;2,000;\r\n");
}

TEST_F(VyReport, DateViewTreeAndEveryNodeKind)
{
    std::string tree = "6 1998\r\n  7 October\r\n";
    for (int d = 1; d <= 31; ++d)
        tree += "    8 " + std::to_string(d) + "\r\n";
    EXPECT_EQ(English({"--view", "date", "--format", "tree"}).Out, tree);

    // The year table covers October only; the record of 1 November is not in it.
    EXPECT_EQ(English({"--view", "date"}).Out, "Month;Time;Send;Receive;\r\nOctober;2:15:35;26,690;138,782;\r\n");
    EXPECT_EQ(English({"--view", "date", "--node", "1998"}).Out,
              "Month;Time;Send;Receive;\r\nOctober;2:15:35;26,690;138,782;\r\n");

    const auto month = Lines(English({"--view", "date", "--node", "1998 \\ October"}).Out);
    ASSERT_EQ(month.size(), 32u);
    EXPECT_EQ(month[0], "Day;Time;Send;Receive;Day of Week;");
    EXPECT_EQ(month[1], "1;0:00:00;0;0;Thursday;");
    EXPECT_EQ(month[5], "5;2:05:05;25,689;136,780;Monday;");
    EXPECT_EQ(month[6], "6;0:10:00;1,000;2,000;Tuesday;");
    EXPECT_EQ(month[7], "7;0:00:30;1;2;Wednesday;");
    EXPECT_EQ(month[31], "31;0:00:00;0;0;Saturday;");

    // Sorted by date after filling: the later 13:15 goes behind the second 09:30.
    EXPECT_EQ(English({"--view", "date", "--node", "1998 \\ October \\ 5"}).Out,
              "Date;Domain;User;Server;Port;Time;Send;Receive;Speed;\r\n"
              "5 Oct 1998 09:30;DOM;alice;SRV1;COM2;1:02:03;12,345;67,890;28800;\r\n"
              "5 Oct 1998 09:30;DOM;alice;SRV1;COM2;1:02:03;12,345;67,890;28800;\r\n"
              "5 Oct 1998 13:15;DOM;bob;SRV1;COM10;0:00:59;999;1,000;9600;\r\n");
    EXPECT_EQ(English({"--view", "date", "--node", "1998 \\ October \\ 2"}).Out,
              "Date;Domain;User;Server;Port;Time;Send;Receive;Speed;\r\n");
}

TEST_F(VyReport, DateRangeAcrossMonths)
{
    const std::vector<std::string> args{"--view", "date", "--from", "1998-09-30", "--to", "1998-11-01",
                                        english_->path().toStdString()};
    EXPECT_EQ(RunVyReport(args).Out,
              "Month;Time;Send;Receive;\r\n"
              "September;0:00:01;1;1;\r\n"
              "October;2:15:35;26,690;138,782;\r\n"
              "November;0:02:00;5;6;\r\n");
    std::vector<std::string> tree = args;
    tree.insert(tree.begin(), {"--format", "tree"});
    const auto lines = Lines(RunVyReport(tree).Out);
    ASSERT_EQ(lines.size(), 1u + 1 + 1 + 1 + 31 + 1 + 1);
    EXPECT_EQ(lines[1], "  7 September");
    EXPECT_EQ(lines[2], "    8 30");
    EXPECT_EQ(lines[35], "  7 November");
    EXPECT_EQ(lines[36], "    8 1");
}

TEST_F(VyReport, ClicksFollowTheWindowsToggleRule)
{
    // At the end of a scan no column is sorted yet: a first click on column 0
    // sorts ascending ...
    EXPECT_EQ(English({"--click", "0"}).Out, kDomainTable);
    // ... while after a tree click column 0 counts as sorted, so it flips.
    EXPECT_EQ(English({"--node", "DOM", "--click", "0"}).Out,
              "User;Time;Send;Receive;\r\nbob;0:00:59;999;1,000;\r\nalice;2:04:36;24,691;135,782;\r\n");
    EXPECT_EQ(English({"--click", "1"}).Out,
              "User;Time;Send;Receive;\r\nbob;0:00:59;999;1,000;\r\nalice;2:04:36;24,691;135,782;\r\n");
    EXPECT_EQ(English({"--click", "1", "--click", "1"}).Out, kDomainTable);
    // Another column keeps the last direction.
    EXPECT_EQ(English({"--click", "1", "--click", "1", "--click", "2"}).Out, kDomainTable);
    // A connection list comes out in store order; the first click on its
    // date column sorts it descending.
    EXPECT_EQ(English({"--node", "DOM \\ alice", "--click", "0"}).Out,
              "Date;Server;Port;Time;Send;Receive;Speed;\r\n" + kAliceLateRow + kAliceRow + kAliceRow);
    // Month table by time: the busiest days last, then first.
    const auto asc = Lines(English({"--view", "date", "--node", "1998 \\ October", "--click", "1"}).Out);
    ASSERT_EQ(asc.size(), 32u);
    EXPECT_EQ(asc[29], "7;0:00:30;1;2;Wednesday;");
    EXPECT_EQ(asc[30], "6;0:10:00;1,000;2,000;Tuesday;");
    EXPECT_EQ(asc[31], "5;2:05:05;25,689;136,780;Monday;");
    const auto desc =
        Lines(English({"--view", "date", "--node", "1998 \\ October", "--click", "1", "--click", "1"}).Out);
    ASSERT_EQ(desc.size(), 32u);
    EXPECT_EQ(desc[1], "5;2:05:05;25,689;136,780;Monday;");
    EXPECT_EQ(desc[2], "6;0:10:00;1,000;2,000;Tuesday;");
    EXPECT_EQ(desc[3], "7;0:00:30;1;2;Wednesday;");
    // A column without a rule changes nothing; one beyond the table is bad usage.
    EXPECT_EQ(English({"--view", "date", "--click", "0"}).Out,
              "Month;Time;Send;Receive;\r\nOctober;2:15:35;26,690;138,782;\r\n");
    const ProgramRun beyond = English({"--click", "1", "--click", "4"});
    EXPECT_EQ(beyond.Exit, 2);
    EXPECT_EQ(beyond.Out, "");
    EXPECT_EQ(beyond.Err, "vy-report: no column 4: the table has 4 columns\n");
}

TEST_F(VyReport, DuplicatesCountOnce)
{
    const ProgramRun run = English({"--check-duplicates"});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "User;Time;Send;Receive;\r\nalice;1:02:33;12,346;67,892;\r\nbob;0:00:59;999;1,000;\r\n");
    EXPECT_EQ(run.Err, "vy-report: Duplicates is found!\n");
    // The earlier copy is the one removed.
    EXPECT_EQ(English({"--check-duplicates", "--node", "DOM \\ alice"}).Out,
              "Date;Server;Port;Time;Send;Receive;Speed;\r\n" + kAliceLateRow + kAliceRow);
    EXPECT_EQ(English({"--check-duplicates", "--view", "date", "--node", "1998 \\ October \\ 5"}).Out,
              "Date;Domain;User;Server;Port;Time;Send;Receive;Speed;\r\n"
              "5 Oct 1998 09:30;DOM;alice;SRV1;COM2;1:02:03;12,345;67,890;28800;\r\n"
              "5 Oct 1998 13:15;DOM;bob;SRV1;COM10;0:00:59;999;1,000;9600;\r\n");
}

TEST_F(VyReport, ExclusionsEventsAndFilter)
{
    EXPECT_EQ(English({"--exclude-users", "ALICE"}).Out, "User;Time;Send;Receive;\r\nbob;0:00:59;999;1,000;\r\n");
    EXPECT_EQ(English({"--exclude-users", "ALICE", "--format", "tree"}).Out,
              "1 DOM\r\n  3 SRV1\r\n    4 COM10\r\n      5 9600\r\n"
              "  2 bob\r\n1 Local\r\n  3 SRV2\r\n    4 COM1\r\n      5 28800\r\n  2 carol\r\n");
    // One domain left: the same tree under it.
    EXPECT_EQ(English({"--exclude-domains", "local", "--format", "tree"}).Out,
              kUsersTree.substr(0, kUsersTree.find("1 Local")));
    EXPECT_EQ(English({"--exclude-ports", "com10; COM1", "--format", "tree"}).Out,
              "1 DOM\r\n  3 SRV1\r\n    4 COM2\r\n      5 28800\r\n  2 alice\r\n");
    // The other event ID read as well.
    EXPECT_EQ(English({"--events", "20050;20049"}).Out, kDomainTable + "erin;0:00:05;7;8;\r\n");
    EXPECT_EQ(English({"--events", "20049"}).Out, "User;Time;Send;Receive;\r\nerin;0:00:05;7;8;\r\n");
    EXPECT_EQ(English({"--filter", "*.log"}).Out, "User;Time;Send;Receive;\r\nzed;0:00:01;1;1;\r\n");
}

TEST_F(VyReport, HtmlPage)
{
    const ProgramRun run = English({"--format", "html", "--node", "DOM \\ SRV1"});
    EXPECT_EQ(run.Exit, 0);
    const auto lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[0], "<HTML>");
    EXPECT_EQ(lines[6], "<CENTER><H4>1 Oct 1998 - 31 Oct 1998</H4></CENTER><BR>");
    EXPECT_EQ(lines[7], "<CENTER><H4>DOM \\ SRV1</H4></CENTER><BR>");
    const std::string stampStart =
        "<CENTER><TABLE BORDER=\"0\" WIDTH=\"100%\"><TR><TD ALIGN=\"RIGHT\" VALIGN=\"BOTTOM\"><H6>Report created ";
    EXPECT_EQ(lines[8].rfind(stampStart, 0), 0u) << lines[8];
    EXPECT_GT(lines[8].size(), stampStart.size() + std::string(".</H6></TD></TR></TABLE></CENTER>").size() + 8);
    EXPECT_EQ(lines[10], "<TD BGCOLOR=\"#C0C0C0\"><B>Port</B></TD><TD BGCOLOR=\"#C0C0C0\"><B>Time</B></TD>"
                         "<TD BGCOLOR=\"#C0C0C0\"><B>Send</B></TD><TD BGCOLOR=\"#C0C0C0\"><B>Receive</B></TD></TR>");
    EXPECT_EQ(lines[11], "<TR><TD>COM2</TD><TD>2:04:36</TD><TD>24,691</TD><TD>135,782</TD></TR>");
    EXPECT_EQ(lines[12], "<TR><TD>COM10</TD><TD>0:00:59</TD><TD>999</TD><TD>1,000</TD></TR>");
    EXPECT_EQ(lines[16], "<TD WIDTH=\"25%\"><B><I>Total:  </I></B></TD>");
    EXPECT_EQ(lines[17], "<TD WIDTH=\"25%\"><B><I>   Time: 2:05:35</I></B></TD>");
    EXPECT_EQ(lines[18], "<TD WIDTH=\"25%\"><B><I>   Send: 25,690</I></B></TD>");
    EXPECT_EQ(lines[19], "<TD WIDTH=\"25%\"><B><I>   Receive: 136,782</I></B></TD>");
    EXPECT_EQ(lines[25], "</HTML>");

    // Nothing in the range: no columns, no rows, empty totals.
    const std::vector<std::string> none{"--format", "html", "--from", "2001-01-01", "--to", "2001-01-31",
                                        english_->path().toStdString()};
    const auto empty = Lines(RunVyReport(none).Out);
    ASSERT_EQ(empty.size(), 24u);
    EXPECT_EQ(empty[6], "<CENTER><H4>1 Jan 2001 - 31 Jan 2001</H4></CENTER><BR>");
    EXPECT_EQ(empty[7], "<CENTER><H4></H4></CENTER><BR>");
    EXPECT_EQ(empty[10], "</TR>");
}

TEST_F(VyReport, NamesFromTheLogAreEscapedInThePage)
{
    QTemporaryDir dir;
    LogConnection evil = kAlice;
    evil.Who = "A&B\\<script>x";
    testing::WriteLogFile(dir, "a.txt", {EnglishLine(evil)});
    const std::vector<std::string> args{"--format", "html", "--from", "1998-10-01", "--to", "1998-10-31",
                                        dir.path().toStdString()};
    const ProgramRun run = RunVyReport(args);
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out.find("<script>"), std::string::npos);
    const auto lines = Lines(run.Out);
    EXPECT_EQ(lines[7], "<CENTER><H4>A&amp;B</H4></CENTER><BR>");
    EXPECT_EQ(lines[11], "<TR><TD>&lt;script&gt;x</TD><TD>1:02:03</TD><TD>12,345</TD><TD>67,890</TD></TR>");
    // The text format writes the name as it is.
    std::vector<std::string> text = args;
    text[1] = "text";
    EXPECT_EQ(RunVyReport(text).Out, "User;Time;Send;Receive;\r\n<script>x;1:02:03;12,345;67,890;\r\n");
}

// Names are data on a terminal too: a line break cannot forge a row, an
// escape sequence cannot steer the screen; a pipe or a file keeps the bytes.
TEST_F(VyReport, NamesReachATerminalAsData)
{
    QTemporaryDir dir;
    LogConnection evil = kAlice;
    evil.Who = "DOM\\b\x1b]0;owned\x07ob";
    testing::WriteLogFile(dir, "a.txt", {EnglishLine(evil)});
    testing::WriteLogFile(
        dir, "x.xml",
        {"<Events>",
         "<Event><System><Provider Name='RemoteAccess'/><EventID>20272</EventID><TimeCreated "
         "SystemTime='1998-10-05T09:05:40Z'/><Computer>RAS1</Computer></System><EventData><Data>{0}</Data><Data>{1}"
         "</Data><Data>a&#13;&#10;mallory;99:00:00</Data><Data>VPN1</Data><Data>10/5/1998</Data><Data>9:05 AM</Data>"
         "<Data>10/5/1998</Data><Data>9:05 AM</Data><Data>0</Data><Data>40</Data><Data>1</Data><Data>2</Data>"
         "<Data>User request</Data><Data>L2tp</Data><Data>Not Applicable</Data></EventData></Event>",
         "</Events>"});
    auto run = [&](const std::string& format, const std::string& node, bool terminal) {
        const std::vector<std::string> args{"--format", format, "--node", node, "--from", "1998-10-01", "--to", "1998-10-31",
                                            "--events", "20050;20272", "--filter", "*.txt;*.xml", dir.path().toStdString()};
        return terminal ? testing::RunVyReportOnTerminal(args, true) : RunVyReport(args);
    };
    if (run("text", "DOM", true).Exit == testing::NoTerminal)
        GTEST_SKIP() << "no pseudo-terminal here";
    EXPECT_EQ(run("text", "Local", true).Out, "User;Time;Send;Receive;\r\na??mallory;99:00:00;0:00:40;1;2;\r\n");
    EXPECT_EQ(run("text", "DOM", true).Out, "User;Time;Send;Receive;\r\nb?]0;owned?ob;1:02:03;12,345;67,890;\r\n");
    EXPECT_NE(run("text", "DOM", false).Out.find("b\x1b]0;owned\x07ob;"), std::string::npos);
    for (const std::string format : {"tree", "records", "csv"}) {
        const std::string shown = run(format, "Local", true).Out;
        EXPECT_TRUE(shown.find("a??mallory") != std::string::npos && shown.find_first_of("\x1b\x07") == std::string::npos)
            << format << ": " << shown;
    }
}

// An XML export's connection event is read whatever letter case names its
// provider and however the XML spells its provider and ID.
TEST_F(VyReport, XmlConnectionEventsReadHoweverTheXmlSpellsThem)
{
    QTemporaryDir dir;
    const auto event = [](const std::string& provider, const std::string& id, const std::string& user) {
        return "<Event><System><Provider Name='" + provider + "'/><EventID>" + id + "</EventID><Computer>RAS1</Computer>"
               "</System><EventData><Data>{0}</Data><Data>{1}</Data><Data>" + user + "</Data><Data>VPN1</Data>"
               "<Data>10/5/1998</Data><Data>9:05 AM</Data><Data>10/5/1998</Data><Data>9:05 AM</Data><Data>0</Data>"
               "<Data>40</Data><Data>1</Data><Data>2</Data><Data>User request</Data></EventData></Event>";
    };
    testing::WriteLogFile(dir, "x.xml", {"<Events>", event("remoteACCESS", "20272", "alice"), "</Events>"});
    testing::WriteLogFile(dir, "y.xml", {event("Remote&#x41;ccess", "20272", "bob"),
                                         event("RemoteAccess", "2027<!-- -->2", "carol")});
    const ProgramRun run = RunVyReport({"--from", "1998-10-01", "--to", "1998-10-31", "--events", "20272", "--filter",
                                        "*.xml", dir.path().toStdString()});
    EXPECT_EQ(run.Out, "User;Time;Send;Receive;\r\nalice;0:00:40;1;2;\r\nbob;0:00:40;1;2;\r\ncarol;0:00:40;1;2;\r\n")
        << run.Err;
}

// Names as the logs hold them (single bytes), read back from csv and json as
// UTF-8, and found whether typed in UTF-8 or in single bytes.
TEST_F(VyReport, NamesRoundTripAndMatchTypedEitherWay)
{
    QTemporaryDir dir;
    const std::string odd = "a,b\"c;d\x01\xe9";
    const std::string juergen = "j\xfcrgen";
    LogConnection oddLine = kAlice;
    oddLine.Who = "DOM\\" + odd;
    LogConnection juergenLine = kBob;
    juergenLine.Who = "DOM\\" + juergen;
    testing::WriteLogFile(dir, "a.txt", {EnglishLine(oddLine), EnglishLine(juergenLine)});
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--from", "1998-10-01", "--to", "1998-10-31"});
        args.push_back(dir.path().toStdString());
        return RunVyReport(args);
    };
    auto utf8 = [](const std::string& latin1) { return QString::fromLatin1(latin1.c_str()).toStdString(); };

    const auto csv = testing::ReadCsv(run({"--format", "csv"}).Out);
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[1][0], utf8(odd));
    EXPECT_EQ(csv[2][0], utf8(juergen));
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(run({"--format", "json"}).Out)).object();
    EXPECT_EQ(json["rows"].toArray()[0].toArray()[0].toString().toStdString(), utf8(odd));
    EXPECT_EQ(testing::ReadCsv(run({"--format", "records"}).Out).at(1).at(2), utf8(odd));

    for (const std::string& typed : {utf8(juergen), juergen}) {
        const ProgramRun found = run({"--node", "DOM \\ " + typed});
        EXPECT_EQ(found.Exit, 0) << found.Err;
        EXPECT_EQ(Lines(found.Out).size(), 2u);
        EXPECT_EQ(Lines(run({"--exclude-users", typed}).Out).size(), 2u);
    }
    // The euro sign has no single-byte form: it matches nothing, and the
    // message shows it as typed, with control characters as "?".
    EXPECT_EQ(Lines(run({"--exclude-users", utf8(juergen) + "\xe2\x82\xac"}).Out).size(), 3u);
    const ProgramRun missing = run({"--node", "DOM \\ " + utf8(juergen) + "\xe2\x82\xac\x1b[2J"});
    EXPECT_EQ(missing.Exit, 3);
    EXPECT_EQ(missing.Err, "vy-report: no node \"" + utf8(juergen) + "\xe2\x82\xac?[2J\" under \"DOM\"\n");
}

TEST_F(VyReport, OutputFilesFollowTheExtensionRules)
{
    QTemporaryDir out;
    auto read = [&](const char* name) {
        QFile f(out.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<missing>");
    };
    ProgramRun run = English({"--output", out.filePath("report").toStdString()});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(read("report.txt"), kDomainTable);

    run = English({"--format", "html", "--output", out.filePath("report.html").toStdString()});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(read("report.html.htm").rfind("<HTML>\r\n", 0), 0u);
    EXPECT_FALSE(QFile::exists(out.filePath("report.html")));

    run = English({"--format", "html", "--output", out.filePath("Jan.HTM").toStdString()});
    EXPECT_TRUE(QFile::exists(out.filePath("Jan.HTM")));

    run = English({"--format", "tree", "--output", out.filePath("tree.out").toStdString()});
    EXPECT_EQ(read("tree.out"), kUsersTree);

    // The data formats add theirs only to a name without one.
    English({"--format", "csv", "--output", out.filePath("table").toStdString()});
    EXPECT_EQ(read("table.csv").rfind("User,Time,Send,Receive\r\n", 0), 0u);
    English({"--format", "json", "--output", out.filePath("table.data").toStdString()});
    EXPECT_EQ(read("table.data").rfind("{\"node\":\"DOM\"", 0), 0u);
    English({"--format", "records", "--output", out.filePath("records").toStdString()});
    EXPECT_EQ(Lines(read("records.csv")).size(), 1u + 5);  // the header, the range's five connections

    // Replacing a longer file leaves nothing of it behind.
    run = English({"--node", "Local", "--output", out.filePath("report.txt").toStdString()});
    EXPECT_EQ(read("report.txt"), "User;Time;Send;Receive;\r\ncarol;0:10:00;1,000;2,000;\r\n");
}

TEST_F(VyReport, ExitStatuses)
{
    ProgramRun run = RunVyReport({"--bogus", english_->path().toStdString()});
    EXPECT_EQ(run.Exit, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "vy-report: unknown option '--bogus' (see vy-report --help)\n");

    run = RunVyReport({"--from", "1998-02-30", english_->path().toStdString()});
    EXPECT_EQ(run.Exit, 2);
    EXPECT_EQ(run.Err, "vy-report: --from needs a date written YYYY-MM-DD, not '1998-02-30' (see vy-report --help)\n");

    run = RunVyReport({"--format", "tree"});
    EXPECT_EQ(run.Exit, 2);
    EXPECT_EQ(run.Err, "vy-report: no folder given (see vy-report --help)\n");
    run = RunVyReport({""});
    EXPECT_EQ(run.Exit, 2);
    EXPECT_EQ(run.Err, "vy-report: the folder name is empty (see vy-report --help)\n");

    run = RunVyReport({"--from", "1998-10-31", "--to", "1998-10-01", english_->path().toStdString()});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "\r\n");
    EXPECT_EQ(run.Err, "vy-report: the date range is empty\n");

    run = English({"--node", "DOM \\ SRV1 \\ COM9 \\ 9600"});
    EXPECT_EQ(run.Exit, 3);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "vy-report: no node \"COM9\" under \"DOM \\ SRV1\"\n");
    run = English({"--view", "date", "--node", "DOM"});
    EXPECT_EQ(run.Exit, 3);
    EXPECT_EQ(run.Err, "vy-report: no node \"DOM\" at the top of the date tree\n");

    QTemporaryDir out;
    // The file name comes back in the bytes it was given.
    const std::string missing = out.path().toStdString() + "/nowhere-\xc3\xa9/report";
    run = English({"--output", missing});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Err, "vy-report: No such file or directory: " + missing + ".txt\n");
    if (QFile::exists("/dev/full")) {
        run = English({"--format", "tree", "--output", "/dev/full"});
        EXPECT_EQ(run.Exit, 1);
        EXPECT_EQ(run.Err, "vy-report: No space left on device: /dev/full\n");
    }

    run = RunVyReport({"--help"});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out.rfind("Usage: vy-report [OPTIONS] FOLDER\n", 0), 0u);
    run = RunVyReport({"--version"});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out.rfind("vy-report 3.", 0), 0u);
}

TEST_F(VyReport, EmptyFolderWarnsAndWritesAnEmptyLineAMissingOneFails)
{
    QTemporaryDir empty;
    ProgramRun run = RunVyReport({"--from", "1998-10-01", "--to", "1998-10-31", empty.path().toStdString()});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "\r\n");
    EXPECT_EQ(run.Err, "vy-report: Folder has no log files\n");
    // Not there, or no folder: no report that a script would take for an empty one.
    testing::WriteLogFile(empty, "file.txt", {EnglishLine(kAlice)});
    for (const QString& folder : {empty.filePath("missing"), empty.filePath("file.txt")}) {
        run = RunVyReport({"--format", "records", folder.toStdString()});
        EXPECT_EQ(run.Exit, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err.rfind("vy-report: cannot read folder " + folder.toStdString() + ": ", 0), 0u) << run.Err;
    }
    // Other export forms left out by the filter are named, and a filter of
    // several patterns takes them.
    QTemporaryDir other;
    testing::WriteLogFile(other, "ras1.CSV", {EnglishLine(kAlice)});
    testing::WriteLogFile(other, "ras2.csv", {EnglishLine(kBob)});
    testing::WriteLogFile(other, "system.evtx", {""});
    testing::WriteLogFile(other, "detail-19981001", {""});
    testing::WriteLogFile(other, "IN9810.log", {""});
    run = RunVyReport({"--from", "1998-10-01", "--to", "1998-10-31", other.path().toStdString()});
    EXPECT_EQ(run.Err, "vy-report: Folder has no log files matching the file filter \"*.txt\"; it holds 2 .csv "
                       "files, 1 .evtx file, 1 IN*.log file, 1 detail* file; the filter "
                       "\"*.txt;detail*;IN*.log;*.evtx;*.csv\" reads them\n");
    QFile::remove(other.filePath("detail-19981001"));
    QFile::remove(other.filePath("IN9810.log"));
    run = RunVyReport({"--filter", "*.txt; *.csv;*.evtx", "--from", "1998-10-01", "--to", "1998-10-31",
                       other.path().toStdString()});
    EXPECT_EQ(run.Out, "User;Time;Send;Receive;\r\nalice;1:02:03;12,345;67,890;\r\nbob;0:00:59;999;1,000;\r\n");
    // The ".evtx" that holds a blank line only is in no form: named.
    EXPECT_TRUE(run.Err.starts_with("vy-report: system.evtx: ") && run.Err.find('\n') + 1 == run.Err.size()) << run.Err;
    const ProgramRun tree = RunVyReport({"--format", "tree", empty.path().toStdString()});
    EXPECT_EQ(tree.Out, "");
    // Files, but nothing in the range: with both stores empty no tree is
    // built, in the date view as well, and no warning is due.
    const ProgramRun date = English({"--view", "date", "--from", "2001-02-27", "--to", "2001-03-01"});
    EXPECT_EQ(date.Exit, 0);
    EXPECT_EQ(date.Out, "\r\n");
    EXPECT_EQ(date.Err, "");
}

TEST_F(VyReport, LinesNotReadAreToldOnStandardErrorOnly)
{
    QTemporaryDir dir;
    std::string broken = EnglishLine(kBob);
    broken.replace(broken.find(" bytes were sent"), 0, "x");
    const std::string current = "10/05/1998,10:20:00 AM,RemoteAccess,Information,None,20272,N/A,RAS1,The user "
                                "DOM\\x connected on port VPN1 on 10/5/1998 at 9:05 AM. The user was active for 2 "
                                "minutes 0 seconds.";
    testing::WriteLogFile(dir, "a.txt", {EnglishLine(kAlice), broken, current, broken});
    const std::vector<std::string> args{"--from", "1998-10-01", "--to", "1998-10-31", dir.path().toStdString()};
    const ProgramRun run = RunVyReport(args);
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "User;Time;Send;Receive;\r\nalice;1:02:03;12,345;67,890;\r\n");
    EXPECT_EQ(run.Err, "vy-report: 2 connection lines could not be read; the first: a.txt line 2\n"
                       "vy-report: 1 event 20272 was not read: it is not in the event list (--events)\n");
}

TEST_F(VyReport, PortsWithoutDigitsOrderAlikeInTreeAndTable)
{
    QTemporaryDir dir;
    LogConnection isdn = kCarol;
    isdn.Port = "ISDN";
    LogConnection com = kCarol;
    com.Port = "COM3";
    testing::WriteLogFile(dir, "a.txt", {EnglishLine(com), EnglishLine(isdn)});
    std::vector<std::string> args{"--node", "Local \\ SRV2", "--from", "1998-10-01", "--to", "1998-10-31",
                                  dir.path().toStdString()};
    const ProgramRun table = RunVyReport(args);
    EXPECT_EQ(table.Exit, 0);
    EXPECT_EQ(table.Err, "");
    args.insert(args.begin(), {"--format", "tree"});
    const ProgramRun tree = RunVyReport(args);
    const auto rows = Lines(table.Out);
    ASSERT_EQ(rows.size(), 3u);
    const std::size_t isdnInTree = tree.Out.find("4 ISDN");
    const std::size_t comInTree = tree.Out.find("4 COM3");
    ASSERT_NE(isdnInTree, std::string::npos);
    ASSERT_NE(comInTree, std::string::npos);
    EXPECT_EQ(rows[1].rfind(isdnInTree < comInTree ? "ISDN;" : "COM3;", 0), 0u) << table.Out << tree.Out;
}

TEST_F(VyReport, NoProgressUnlessStandardErrorIsATerminal)
{
    EXPECT_EQ(English({}).Err, "");
    const ProgramRun run = testing::RunVyReportOnTerminal(
        {"--check-duplicates", "--from", "1998-10-01", "--to", "1998-10-31", english_->path().toStdString()});
    if (run.Exit == testing::NoTerminal)
        GTEST_SKIP() << "no pseudo-terminal here";
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "User;Time;Send;Receive;\r\nalice;1:02:33;12,346;67,892;\r\nbob;0:00:59;999;1,000;\r\n");
    EXPECT_NE(run.Err.find("\rProcessing ["), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("file: a.txt"), std::string::npos);
    EXPECT_NE(run.Err.find("\rChecking ["), std::string::npos);
    // Wiped before the warning, which the terminal shows with its own CR LF.
    EXPECT_NE(run.Err.find("\r\x1b[Kvy-report: Duplicates is found!\r\n"), std::string::npos) << run.Err;
}

// Every form read from files the project did not write: each Windows export
// gives exactly the records its reference file names; the event log files
// of real machines, which hold no connection, the heading alone.
TEST(ReferenceFiles, EveryFormReadsWhatWindowsWroteToItsRecords)
{
    QString source = QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR"));
    if (source.isEmpty())
        source = QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().filePath("../..");
    const QDir exports(QDir::cleanPath(source + "/tests/data/windows-exports"));
    const QDir evtx(QDir::cleanPath(source + "/tests/data/evtx"));
    auto slurp = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    };
    auto records = [](const QDir& dir, const QString& name) {
        return RunVyReport({"--from", "1900-01-01", "--to", "2099-12-31", "--events", "20050;20048;20272;20251",
                            "--filter", name.toStdString(), "--format", "records", dir.path().toStdString()});
    };
    std::string heading;
    int files = 0;
    for (const QString& name : exports.entryList({"*.csv", "*.txt", "*.xml"}, QDir::Files)) {
        if (name.endsWith(".records.csv"))
            continue;
        const std::string expected = slurp(exports.filePath(QFileInfo(name).completeBaseName() + ".records.csv"));
        const ProgramRun run = records(exports, name);
        EXPECT_EQ(run.Exit, 0) << name.toStdString();
        EXPECT_EQ(run.Out, expected) << name.toStdString() << run.Err;
        heading = expected.substr(0, expected.find('\n') + 1);
        ++files;
    }
    EXPECT_EQ(files, 5);
    for (const QString& name : evtx.entryList({"*.evtx"}, QDir::Files))
        EXPECT_EQ(records(evtx, name).Out, heading) << name.toStdString();
}

}  // namespace
}  // namespace vy
