#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "cli/log_folder.h"
#include "cli/run_program.h"
#include "settings/settings.h"

namespace vy {
namespace {

using testing::EnglishLine;
using testing::GermanLine;
using testing::LogConnection;
using testing::RunVyReport;

const LogConnection kAlice{"DOM\\Alice", "SRV1", "COM2", "10/05/1998", "09:30am", "1 hour 2 minutes 3",
                           "12345", "67890", "28800"};
const LogConnection kBob{"DOM\\bob", "SRV1", "COM10", "10/05/1998", "01:15pm", "59", "999", "1000", "9600"};

// The desktop program's stored settings in a folder of their own: this
// process and every vy-report it starts look there, never at the real
// user's settings.
class StoredSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(config_.isValid());
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
        qputenv("HOME", home_.path().toLocal8Bit());
        env_ = {{"XDG_CONFIG_HOME", config_.path().toStdString()}, {"HOME", home_.path().toStdString()}};

        testing::WriteLogFile(english_, "a.txt",
                              {EnglishLine(kAlice), EnglishLine(kBob), EnglishLine(kAlice)});
        testing::WriteLogFile(german_, "a.txt",
                              {GermanLine(kAlice), GermanLine(kBob), GermanLine(kAlice)});
    }

    void Store(const QString& logDir, const QString& excludedUsers, bool checkLogFiles)
    {
        PrepareSettings(QDir(home_.path()).filePath("vy"));
        Settings s;
        LoadSettings(s);
        s.LogDir = logDir;
        s.ExcludedUsers = excludedUsers;
        s.CheckLogFiles = checkLogFiles;
        SaveSettings(s);
        SaveLogDir(s);
    }

    testing::ProgramRun Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--from", "1998-10-01", "--to", "1998-10-31"});
        return RunVyReport(args, env_);
    }

    QTemporaryDir config_, home_, english_, german_;
    std::map<std::string, std::string> env_;
};

TEST_F(StoredSettings, StartFromTheStoredValuesThenTheOptions)
{
    Store(english_.path(), "BOB", true);

    // The stored folder, exclusions and duplicate check.
    testing::ProgramRun run = Run({"--settings"});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "User;Time;Send;Receive;\r\nalice;1:02:03;12,345;67,890;\r\n");
    EXPECT_EQ(run.Err, "vy-report: Duplicates is found!\n");

    // An option replaces its setting; the rest stay as stored.
    run = Run({"--settings", "--exclude-users", ""});
    EXPECT_EQ(run.Out, "User;Time;Send;Receive;\r\nalice;1:02:03;12,345;67,890;\r\nbob;0:00:59;999;1,000;\r\n");
    run = Run({"--settings", "--language", "DE", german_.path().toStdString()});
    EXPECT_EQ(run.Out, "User;Time;Send;Receive;\r\nalice;1:02:03;12,345;67,890;\r\n");

    // Without --settings nothing stored counts.
    run = Run({english_.path().toStdString()});
    EXPECT_EQ(run.Out, "User;Time;Send;Receive;\r\nalice;2:04:06;24,690;135,780;\r\nbob;0:00:59;999;1,000;\r\n");
    EXPECT_EQ(run.Err, "");
}

TEST_F(StoredSettings, UnreadableSettingsAreAnError)
{
    // Never prepared: the flags and numbers are missing.
    const testing::ProgramRun run = Run({"--settings", english_.path().toStdString()});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err.rfind("vy-report: cannot read the stored settings: Failed to get data for '", 0), 0u) << run.Err;
}

}  // namespace
}  // namespace vy
