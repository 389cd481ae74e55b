// The settings in the per-user INI file, always inside a temporary folder:
// what a first run leaves in the file, hand-edited values, an unwritable
// store, and the browser command.

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "settings/qstring_print.h"
#include "settings/settings.h"
#include "support/fixtures.h"
#include "settings/settings_store.h"

namespace vy {
namespace {

using testing::ErrorOf;

class IniSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }

    QString IniPath() const { return m_dir.path() + "/Quillmar/Vy.ini"; }

    QByteArray FileBytes() const
    {
        QFile file(IniPath());
        if (!file.open(QIODevice::ReadOnly))
            return "(unreadable)";
        return file.readAll();
    }

    void WriteFile(const QByteArray& bytes)
    {
        QDir().mkpath(m_dir.path() + "/Quillmar");
        QFile file(IniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // Points the store at a folder below a regular file, which no one, not
    // even root, can create.
    void MakeStoreUnwritable()
    {
        QFile blocker(m_dir.path() + "/blocker");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path() + "/blocker");
    }

    QTemporaryDir m_dir;
};

TEST_F(IniSettings, FirstRunWritesEveryValueIntoTheUsersFile)
{
    PrepareSettings("/opt/vy/vy");
    const QByteArray bytes = FileBytes();

    const QByteArray main = "[Main]\n"
                            "CheckLogFiles=0\n"
                            "ExcludedDomains=\n"
                            "ExcludedPorts=\n"
                            "ExcludedUsers=\n"
                            "FileFilter=*.txt\n"
                            "InstallDir=/opt/vy\n"
                            "LogDir=/opt/vy/DemoLog\n"
                            "LogLanguage=EN\n"
                            "NEvent=20050\n"
                            "NEvents=\"20050;20048\"\n"
                            "SaveSettingOnExit=1\n"
                            "Version=3.0\n";
    const QByteArray window = "[Window]\n"
                              "FontName=MS Sans Serif\n"
                              "FontSize=8\n"
                              "FontStyle=\n"
                              "Height=400\n"
                              "Left=50\n"
                              "StatusBar=1\n"
                              "ToolBar=1\n"
                              "Top=50\n"
                              "TreeWidth=160\n"
                              "Width=600\n";
    EXPECT_EQ(bytes.toStdString(), (main + "\n" + window).toStdString());
    EXPECT_FALSE(bytes.contains("true"));
}

TEST_F(IniSettings, TextsWithSeparatorsAndLatin1LettersSurviveTheFile)
{
    PrepareSettings("/opt/vy/vy");
    Settings settings;
    LoadSettings(settings);
    settings.ExcludedUsers = QString::fromLatin1("m\xfcller, \xf6zt\xfcrk; \"q\" = x");
    settings.ExcludedPorts = "  COM1 ";
    settings.FileFilter = "[ab]*.txt";
    settings.Top = -40;
    SaveSettings(settings);

    Settings loaded;
    LoadSettings(loaded);
    EXPECT_EQ(loaded.ExcludedUsers, settings.ExcludedUsers);
    EXPECT_EQ(loaded.ExcludedPorts, settings.ExcludedPorts);
    EXPECT_EQ(loaded.FileFilter, "[ab]*.txt");
    EXPECT_EQ(loaded.Top, -40);
}

TEST_F(IniSettings, UpgradeFromTwoPointZeroKeepsTheOtherValues)
{
    WriteFile("[Main]\nVersion=2.0\nInstallDir=/old\nLogDir=/old/logs\nNEvents=20050\nFileFilter=*.log\n"
              "ExcludedUsers=guest\nLogLanguage=DE\nNEvent=20048\nSaveSettingOnExit=0\nCheckLogFiles=1\n"
              "ExcludedDomains=\nExcludedPorts=\n"
              "[Window]\nTop=5\nLeft=6\nHeight=300\nWidth=500\nTreeWidth=90\nToolBar=0\nStatusBar=1\n"
              "FontName=Arial\nFontSize=10\nFontStyle=B\n");
    PrepareSettings("/opt/vy/vy");
    Settings settings;
    LoadSettings(settings);
    EXPECT_EQ(settings.Version, "3.0");
    EXPECT_EQ(settings.NEvents, "20050;20048");
    EXPECT_EQ(settings.FileFilter, "*.txt");
    EXPECT_EQ(settings.TreeWidth, 160);
    EXPECT_EQ(settings.InstallDir, "/old");
    EXPECT_EQ(settings.LogDir, "/old/logs");
    EXPECT_EQ(settings.ExcludedUsers, "guest");
    EXPECT_EQ(settings.LogLanguage, "DE");
    EXPECT_FALSE(settings.SaveSettingOnExit);
    EXPECT_TRUE(settings.CheckLogFiles);
    EXPECT_EQ(settings.Top, 5);
    EXPECT_FALSE(settings.ToolBar);
    EXPECT_EQ(settings.FontStyle, "B");
}

TEST_F(IniSettings, HandEditedValuesAreCheckedOneByOne)
{
    PrepareSettings("/opt/vy/vy");
    QSettings direct(QSettings::IniFormat, QSettings::UserScope, "Quillmar", "Vy");
    direct.setValue("Window/Left", "left");
    direct.sync();
    Settings settings;
    EXPECT_EQ(ErrorOf([&] { LoadSettings(settings); }), "Invalid data type for 'Left'");
    EXPECT_EQ(settings.Top, 50);

    direct.remove("Window/Left");
    direct.sync();
    EXPECT_EQ(ErrorOf([&] { LoadSettings(settings); }), "Failed to get data for 'Left'");
}

TEST_F(IniSettings, UnquotedCommasInAHandEditedTextStayPartOfIt)
{
    PrepareSettings("/opt/vy/vy");
    QByteArray bytes = FileBytes();
    bytes.replace("ExcludedUsers=\n", "ExcludedUsers=ann,bob\n");
    WriteFile(bytes);
    Settings settings;
    LoadSettings(settings);
    EXPECT_EQ(settings.ExcludedUsers, "ann,bob");
}

TEST_F(IniSettings, NothingStoredYetFailsAtTheFirstNumber)
{
    Settings settings;
    settings.LogDir = "old";
    EXPECT_EQ(ErrorOf([&] { LoadSettings(settings); }), "Failed to get data for 'SaveSettingOnExit'");
    EXPECT_EQ(settings.LogDir, "");
}

TEST_F(IniSettings, AnUnwritableStoreReportsTheFirstValueItCouldNotWrite)
{
    MakeStoreUnwritable();
    EXPECT_EQ(ErrorOf([] { PrepareSettings("/opt/vy/vy"); }), "Failed to set data for 'Top'");
    Settings settings;
    settings.LogDir = "/x";
    EXPECT_EQ(ErrorOf([&] { SaveLogDir(settings); }), "Failed to set data for 'LogDir'");
    EXPECT_EQ(ErrorOf([&] { SaveSettings(settings); }), "Failed to set data for 'Top'");
}

TEST_F(IniSettings, AFolderInPlaceOfTheFileCannotBeWritten)
{
    ASSERT_TRUE(QDir().mkpath(IniPath()));
    Settings settings;
    EXPECT_EQ(ErrorOf([&] { SaveLogDir(settings); }), "Failed to set data for 'LogDir'");
}

// ---- browser command ----

class BrowserCommand : public IniSettings {
protected:
    void SetUp() override
    {
        IniSettings::SetUp();
        m_browser = qgetenv("BROWSER");
        m_hadBrowser = qEnvironmentVariableIsSet("BROWSER");
        m_path = qgetenv("PATH");
        PrepareSettings("/opt/vy/vy");
    }
    void TearDown() override
    {
        if (m_hadBrowser)
            qputenv("BROWSER", m_browser);
        else
            qunsetenv("BROWSER");
        qputenv("PATH", m_path);
    }

    QByteArray m_browser;
    bool m_hadBrowser = false;
    QByteArray m_path;
};

TEST_F(BrowserCommand, TheBrowserVariableComesFirst)
{
    qputenv("BROWSER", "firefox --new-tab");
    Settings settings;
    LoadSettings(settings);
    EXPECT_EQ(settings.BrowserCommand, "firefox --new-tab");
}

TEST_F(BrowserCommand, ElseTheOpenerOnThePathWithItsFullPath)
{
    qunsetenv("BROWSER");
    const QString bin = m_dir.path() + "/bin";
    QDir().mkpath(bin);
    QFile opener(bin + "/xdg-open");
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", bin.toLocal8Bit());
    Settings settings;
    LoadSettings(settings);
    EXPECT_EQ(settings.BrowserCommand, bin + "/xdg-open");
}

TEST_F(BrowserCommand, NoneFoundKeepsThePreviousContent)
{
    qunsetenv("BROWSER");
    qputenv("PATH", (m_dir.path() + "/nothing-here").toLocal8Bit());
    Settings settings;
    LoadSettings(settings);
    EXPECT_EQ(settings.BrowserCommand, "");
    settings.BrowserCommand = "earlier";
    LoadSettings(settings);
    EXPECT_EQ(settings.BrowserCommand, "earlier");
}

}  // namespace
}  // namespace vy

namespace vy {
namespace {

TEST_F(IniSettings, AFileThatDoesNotParseIsStillWrittenAndReadOn)
{
    WriteFile("[Main]\nInstallDir=/kept\nline without a sign\n[Window\nTop=5\n");
    PrepareSettings("/opt/vy/vy");  // InstallDir present: nothing to write
    Settings settings;
    settings.LogDir = "/new/logs";
    SaveLogDir(settings);
    EXPECT_TRUE(FileBytes().contains("LogDir=/new/logs")) << FileBytes().toStdString();
    EXPECT_TRUE(FileBytes().contains("InstallDir=/kept"));
    SaveSettings(settings);
    Settings loaded;
    LoadSettings(loaded);
    EXPECT_EQ(loaded.LogDir, "/new/logs");
    EXPECT_EQ(loaded.InstallDir, "/kept");
}

}  // namespace
}  // namespace vy
