// The settings operations over a store that records every write: first-run
// defaults, the upgrade from "2.0", load, save, and the failure handling.

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "settings/qstring_print.h"
#include "settings/recording_store.h"
#include "settings/settings.h"
#include "support/fixtures.h"
#include "settings/settings_table.h"

namespace vy {
namespace {

using testing::RecordingStore;

const QString kProgram = QStringLiteral("/opt/vy/bin/vy");

const std::vector<QString> kWindowOrder = {
    "Window/Top",      "Window/Left",     "Window/Height",   "Window/Width",    "Window/TreeWidth",
    "Window/ToolBar",  "Window/StatusBar", "Window/FontName", "Window/FontSize", "Window/FontStyle"};

const std::vector<QString> kFirstRunOrder = [] {
    std::vector<QString> order = kWindowOrder;
    for (const char* name : {"LogDir", "InstallDir", "Version", "ExcludedUsers", "ExcludedDomains",
                             "ExcludedPorts", "LogLanguage", "NEvent", "NEvents", "FileFilter",
                             "SaveSettingOnExit", "CheckLogFiles"})
        order.push_back(QStringLiteral("Main/") + name);
    return order;
}();

using testing::ErrorOf;

// A store as a first run leaves it.
RecordingStore PreparedStore()
{
    RecordingStore store;
    PrepareSettings(store, kProgram);
    store.writes.clear();
    store.reads.clear();
    return store;
}

// ---- first run ----

// The defaults themselves are checked in the file a first run writes
// (ini_store_test.cpp).
TEST(PrepareSettingsFirstRun, WritesEveryValueInOrder)
{
    RecordingStore store;
    PrepareSettings(store, kProgram);
    EXPECT_EQ(store.writes, kFirstRunOrder);
    EXPECT_EQ(store.Get("Main/LogDir"), QVariant(QString("/opt/vy/bin/DemoLog")));
}

TEST(PrepareSettingsFirstRun, FlagsAreStoredAsIntegersNeverAsBooleans)
{
    RecordingStore store;
    PrepareSettings(store, kProgram);
    for (const char* key : {"Window/ToolBar", "Window/StatusBar", "Main/SaveSettingOnExit", "Main/CheckLogFiles"})
        EXPECT_EQ(store.Get(key).typeId(), QMetaType::Int) << key;
}

TEST(PrepareSettingsFirstRun, OverwritesWhateverIsStoredWhenInstallDirIsMissing)
{
    RecordingStore store;
    store.Put("Window/Top", 777);
    store.Put("Main/ExcludedUsers", QString("alice"));
    store.Put("Main/LogDir", QString("/elsewhere"));
    PrepareSettings(store, kProgram);
    EXPECT_EQ(store.Get("Window/Top"), QVariant(50));
    EXPECT_EQ(store.Get("Main/ExcludedUsers"), QVariant(QString("")));
    EXPECT_EQ(store.Get("Main/LogDir"), QVariant(QString("/opt/vy/bin/DemoLog")));
}

TEST(PrepareSettingsFirstRun, AnEmptyInstallDirCountsAsNeverPrepared)
{
    RecordingStore store = PreparedStore();
    store.Put("Main/InstallDir", QString(""));
    store.Put("Window/Top", 5);
    PrepareSettings(store, kProgram);
    EXPECT_EQ(store.writes, kFirstRunOrder);
    EXPECT_EQ(store.Get("Window/Top"), QVariant(50));
}

TEST(PrepareSettingsFirstRun, APreparedStoreIsLeftAlone)
{
    RecordingStore store = PreparedStore();
    store.Put("Window/Top", 5);
    PrepareSettings(store, kProgram);
    EXPECT_TRUE(store.writes.empty());
    EXPECT_EQ(store.Get("Window/Top"), QVariant(5));
}

// ---- upgrade ----

TEST(PrepareSettingsUpgrade, FromTwoPointZeroRewritesOnlyItsFourValues)
{
    RecordingStore store = PreparedStore();
    store.Put("Main/Version", QString("2.0"));
    store.Put("Main/NEvents", QString("11111"));
    store.Put("Main/FileFilter", QString("*.log"));
    store.Put("Window/TreeWidth", 300);
    store.Put("Window/Top", 123);
    store.Put("Main/LogLanguage", QString("DE"));

    PrepareSettings(store, kProgram);

    EXPECT_EQ(store.writes,
              (std::vector<QString>{"Main/NEvents", "Main/FileFilter", "Main/Version", "Window/TreeWidth"}));
    EXPECT_EQ(store.Get("Main/NEvents"), QVariant(QString("20050;20048")));
    EXPECT_EQ(store.Get("Main/FileFilter"), QVariant(QString("*.txt")));
    EXPECT_EQ(store.Get("Main/Version"), QVariant(QString("3.0")));
    EXPECT_EQ(store.Get("Window/TreeWidth"), QVariant(160));
    EXPECT_EQ(store.Get("Window/Top"), QVariant(123));
    EXPECT_EQ(store.Get("Main/LogLanguage"), QVariant(QString("DE")));

    // The next start finds "3.0" and does nothing.
    store.writes.clear();
    PrepareSettings(store, kProgram);
    EXPECT_TRUE(store.writes.empty());
}

TEST(PrepareSettingsUpgrade, WithoutInstallDirWritesTheUpgradeThenAllDefaults)
{
    RecordingStore store;
    store.Put("Main/Version", QString("2.0"));
    store.Put("Window/Top", 123);
    PrepareSettings(store, kProgram);

    std::vector<QString> expected = {"Main/NEvents", "Main/FileFilter", "Main/Version", "Window/TreeWidth"};
    expected.insert(expected.end(), kFirstRunOrder.begin(), kFirstRunOrder.end());
    EXPECT_EQ(store.writes, expected);
    EXPECT_EQ(store.Get("Window/Top"), QVariant(50));
}

TEST(PrepareSettingsUpgrade, OnlyTheExactTextTwoPointZeroTriggersIt)
{
    for (const QString version : {"2.00", "1.0", " 2.0", "2.0 ", "", "2,0", "3.0", "2"}) {
        RecordingStore store = PreparedStore();
        store.Put("Main/Version", version);
        store.Put("Window/TreeWidth", 300);
        PrepareSettings(store, kProgram);
        EXPECT_TRUE(store.writes.empty()) << version.toStdString();
        EXPECT_EQ(store.Get("Window/TreeWidth"), QVariant(300)) << version.toStdString();
        EXPECT_EQ(store.Get("Main/Version"), QVariant(version));
    }
}

TEST(PrepareSettingsFailure, AFailedWriteStopsAtThatValue)
{
    RecordingStore store;
    store.refuseWriteOf = "FontName";
    EXPECT_EQ(ErrorOf([&] { PrepareSettings(store, kProgram); }), "Failed to set data for 'FontName'");
    EXPECT_EQ(store.writes, std::vector<QString>(kWindowOrder.begin(), kWindowOrder.begin() + 7));
    EXPECT_FALSE(store.Get("Main/InstallDir").isValid());
}

TEST(PrepareSettingsFailure, AFailedFlushIsReportedAtTheFirstValueHeldBack)
{
    RecordingStore firstRun;
    firstRun.refuseFlush = true;
    EXPECT_EQ(ErrorOf([&] { PrepareSettings(firstRun, kProgram); }), "Failed to set data for 'Top'");

    RecordingStore upgrade;
    upgrade.Put("Main/Version", QString("2.0"));
    upgrade.refuseFlush = true;
    EXPECT_EQ(ErrorOf([&] { PrepareSettings(upgrade, kProgram); }), "Failed to set data for 'NEvents'");
    EXPECT_EQ(upgrade.reads.size(), 1u);  // stopped before reading InstallDir
}

TEST(PrepareSettingsFailure, FlushesOncePerRunOfWritesAndNeverWithoutWrites)
{
    RecordingStore store;
    store.Put("Main/Version", QString("2.0"));
    PrepareSettings(store, kProgram);
    EXPECT_EQ(store.flushes, 2);  // the upgrade, then the first-run values
    store.flushes = 0;
    PrepareSettings(store, kProgram);
    EXPECT_EQ(store.flushes, 0);
}

TEST(PrepareSettingsFailure, AVersionOfTheWrongTypeIsReported)
{
    RecordingStore store;
    store.Put("Main/Version", 2);
    EXPECT_EQ(ErrorOf([&] { PrepareSettings(store, kProgram); }), "Invalid data type for 'Version'");
    EXPECT_TRUE(store.writes.empty());
}

// ---- load ----

TEST(LoadSettings, ReadsEveryValueOfBothGroupsInOrder)
{
    RecordingStore store = PreparedStore();
    store.Put("Window/Top", -20);
    store.Put("Window/Left", QString("+35"));
    store.Put("Window/Width", QString("2147483647"));
    store.Put("Window/Height", QString("-2147483648"));
    store.Put("Main/CheckLogFiles", QString("7"));
    store.Put("Window/ToolBar", QString("0"));
    store.Put("Window/FontStyle", QString("BI"));
    store.Put("Main/ExcludedUsers", QString("bob; carol"));

    Settings settings;
    LoadSettings(store, settings);

    std::vector<QString> expected(kFirstRunOrder.begin() + 10, kFirstRunOrder.end());
    expected.insert(expected.end(), kWindowOrder.begin(), kWindowOrder.end());
    expected.push_back("Window/Chart");
    expected.push_back("Window/ChartMeasure");
    expected.push_back("Window/RecentFolders");
    expected.push_back("Window/ListColumns");
    EXPECT_EQ(store.reads, expected);

    EXPECT_EQ(settings.ExcludedUsers, "bob; carol");
    EXPECT_TRUE(settings.CheckLogFiles);  // any non-zero number is true
    EXPECT_EQ(settings.Top, -20);
    EXPECT_EQ(settings.Left, 35);
    EXPECT_EQ(settings.Width, 2147483647);
    EXPECT_EQ(settings.Height, -2147483647 - 1);
    EXPECT_FALSE(settings.ToolBar);
    EXPECT_EQ(settings.FontStyle, "BI");
    // The values a first run wrote read back as written.
    int compared = 0;
    for (const SettingValue& row : SettingValues()) {
        const QVariant held = store.Get(GroupName(row.group) + "/" + row.name);
        const bool number = held.typeId() == QMetaType::Int;
        if (row.kind == ValueKind::Text && !number)
            EXPECT_EQ(settings.*row.text, held.toString()) << row.name;
        else if (row.kind == ValueKind::Integer && number)
            EXPECT_EQ(settings.*row.integer, held.toInt()) << row.name;
        else if (row.kind == ValueKind::Flag && number)
            EXPECT_EQ(settings.*row.flag, held.toInt() != 0) << row.name;
        else
            continue;
        ++compared;
    }
    EXPECT_EQ(compared, 19);  // all but the five given as digits in text
}

TEST(LoadSettings, AMissingTextReadsAsEmpty)
{
    RecordingStore store = PreparedStore();
    store.values.erase("Main/ExcludedPorts");
    store.values.erase("Window/FontName");
    Settings settings;
    settings.ExcludedPorts = "old";
    settings.FontName = "old";
    LoadSettings(store, settings);
    EXPECT_EQ(settings.ExcludedPorts, "");
    EXPECT_EQ(settings.FontName, "");
    EXPECT_EQ(settings.FontSize, 8);  // went on past them
}

TEST(LoadSettings, AMissingNumberStopsWithValuesReadSoFarKept)
{
    RecordingStore store = PreparedStore();
    store.Put("Window/Top", 11);
    store.Put("Window/Left", 22);
    store.values.erase("Window/Height");
    Settings settings;
    settings.Height = -1;
    settings.Width = -1;
    settings.FontName = "untouched";
    EXPECT_EQ(ErrorOf([&] { LoadSettings(store, settings); }), "Failed to get data for 'Height'");
    EXPECT_EQ(settings.LogDir, "/opt/vy/bin/DemoLog");
    EXPECT_EQ(settings.Top, 11);
    EXPECT_EQ(settings.Left, 22);
    EXPECT_EQ(settings.Height, -1);
    EXPECT_EQ(settings.Width, -1);
    EXPECT_EQ(settings.FontName, "untouched");
}

TEST(LoadSettings, AMissingFlagStopsTheLoad)
{
    RecordingStore store = PreparedStore();
    store.values.erase("Main/CheckLogFiles");
    Settings settings;
    settings.Top = -1;
    EXPECT_EQ(ErrorOf([&] { LoadSettings(store, settings); }), "Failed to get data for 'CheckLogFiles'");
    EXPECT_TRUE(settings.SaveSettingOnExit);
    EXPECT_EQ(settings.Top, -1);
}

TEST(LoadSettings, TheChartFlagWrittenByNoFirstRunReadsAsOffWhenMissingOrDamaged)
{
    RecordingStore store = PreparedStore();  // a first run leaves it out
    Settings settings;
    for (const QVariant& stored : {QVariant(), QVariant(1), QVariant(QString("on"))}) {
        if (stored.isValid())
            store.Put("Window/Chart", stored);
        settings.Chart = !stored.isValid();
        LoadSettings(store, settings);
        EXPECT_EQ(settings.Chart, stored == QVariant(1));
    }
}

TEST(LoadSettings, TextThatIsNoIntegerIsTheWrongType)
{
    for (const QString text : {"", "abc", "12a", " 12", "12 ", "0x10", "1.5", "+", "-", "--1", "2147483648",
                               "-2147483649", "99999999999999999999", "true", "\xb9", "+-1", "-+1",
                               "\u0131" /* low byte '1' */}) {
        RecordingStore store = PreparedStore();
        store.Put("Window/FontSize", text);
        Settings settings;
        EXPECT_EQ(ErrorOf([&] { LoadSettings(store, settings); }), "Invalid data type for 'FontSize'")
            << text.toStdString();
        EXPECT_EQ(settings.FontName, "MS Sans Serif");  // read before the failure
        EXPECT_EQ(settings.FontStyle, "");
    }
}

TEST(LoadSettings, AFlagGivenAsBooleanTextIsTheWrongType)
{
    RecordingStore store = PreparedStore();
    store.Put("Main/SaveSettingOnExit", QString("true"));
    Settings settings;
    EXPECT_EQ(ErrorOf([&] { LoadSettings(store, settings); }), "Invalid data type for 'SaveSettingOnExit'");
}

TEST(LoadSettings, ATypedStoreRefusesDigitsKeptAsText)
{
    RecordingStore store(false);
    PrepareSettings(store, kProgram);
    store.Put("Window/Top", QString("12"));
    Settings settings;
    EXPECT_EQ(ErrorOf([&] { LoadSettings(store, settings); }), "Invalid data type for 'Top'");

    store.Put("Window/Top", 12u);
    store.Put("Window/Left", 0xFFFFFFFBu);  // a DWORD holding -5
    LoadSettings(store, settings);
    EXPECT_EQ(settings.Top, 12);
    EXPECT_EQ(settings.Left, -5);
}

TEST(LoadSettings, ANumberWhereTextBelongsIsTheWrongType)
{
    RecordingStore store = PreparedStore();
    store.Put("Main/LogLanguage", 5);
    Settings settings;
    EXPECT_EQ(ErrorOf([&] { LoadSettings(store, settings); }), "Invalid data type for 'LogLanguage'");
    EXPECT_EQ(settings.ExcludedPorts, "");
    EXPECT_EQ(settings.NEvent, "");
}

// ---- save ----

Settings SampleRecord()
{
    Settings s;
    s.LogDir = "/logs";
    s.InstallDir = "/inst";
    s.Version = "9.9";
    s.NEvents = "12345";
    s.ExcludedUsers = "u";
    s.ExcludedDomains = "d";
    s.ExcludedPorts = "p";
    s.LogLanguage = "DE";
    s.NEvent = "20048";
    s.FileFilter = "*.log";
    s.Top = -3;
    s.Left = 4;
    s.Height = 500;
    s.Width = 700;
    s.TreeWidth = 9999;
    s.ToolBar = false;
    s.StatusBar = true;
    s.FontName = "Arial";
    s.FontSize = 12;
    s.FontStyle = "I";
    s.SaveSettingOnExit = true;
    s.CheckLogFiles = false;
    return s;
}

TEST(SaveSettings, WritesTheWindowGroupThenTheMainValuesInOrder)
{
    RecordingStore store;
    SaveSettings(store, SampleRecord());
    std::vector<QString> expected = kWindowOrder;
    for (const char* name : {"SaveSettingOnExit", "CheckLogFiles", "ExcludedUsers", "ExcludedDomains",
                             "ExcludedPorts", "LogLanguage", "NEvent", "FileFilter"})
        expected.push_back(QStringLiteral("Main/") + name);
    expected.push_back("Window/Chart");
    expected.push_back("Window/ChartMeasure");
    expected.push_back("Main/NEvents");
    expected.push_back("Window/RecentFolders");
    expected.push_back("Window/ListColumns");
    EXPECT_EQ(store.writes, expected);

    EXPECT_EQ(store.Get("Window/Top"), QVariant(-3));
    EXPECT_EQ(store.Get("Window/TreeWidth"), QVariant(9999));
    EXPECT_EQ(store.Get("Window/ToolBar"), QVariant(0));
    EXPECT_EQ(store.Get("Window/StatusBar"), QVariant(1));
    EXPECT_EQ(store.Get("Window/FontStyle"), QVariant(QString("I")));
    EXPECT_EQ(store.Get("Main/SaveSettingOnExit"), QVariant(1));
    EXPECT_EQ(store.Get("Main/CheckLogFiles"), QVariant(0));
    EXPECT_EQ(store.Get("Main/LogLanguage"), QVariant(QString("DE")));
    EXPECT_EQ(store.Get("Main/FileFilter"), QVariant(QString("*.log")));
}

TEST(SaveSettings, AFailedFlushIsReportedAtTheFirstValue)
{
    RecordingStore store;
    store.refuseFlush = true;
    EXPECT_EQ(ErrorOf([&] { SaveSettings(store, SampleRecord()); }), "Failed to set data for 'Top'");
    EXPECT_EQ(store.flushes, 1);
}

TEST(SaveSettings, NeverWritesLogDirInstallDirOrVersion)
{
    RecordingStore store;
    SaveSettings(store, SampleRecord());
    for (const char* key : {"Main/LogDir", "Main/InstallDir", "Main/Version"})
        EXPECT_FALSE(store.Get(key).isValid()) << key;
}

TEST(SaveSettings, AFailedWriteStopsAtThatValue)
{
    RecordingStore store;
    store.refuseWriteOf = "CheckLogFiles";
    EXPECT_EQ(ErrorOf([&] { SaveSettings(store, SampleRecord()); }), "Failed to set data for 'CheckLogFiles'");
    EXPECT_EQ(store.writes.size(), 11u);
    EXPECT_EQ(store.writes.back(), "Main/SaveSettingOnExit");
    EXPECT_FALSE(store.Get("Main/ExcludedUsers").isValid());
}

TEST(SaveLogDir, WritesLogDirAloneExactlyAsGiven)
{
    RecordingStore store = PreparedStore();
    Settings settings = SampleRecord();
    settings.LogDir = "relative/Logs/";
    SaveLogDir(store, settings);
    EXPECT_EQ(store.writes, std::vector<QString>{"Main/LogDir"});
    EXPECT_EQ(store.Get("Main/LogDir"), QVariant(QString("relative/Logs/")));
    EXPECT_EQ(store.Get("Window/Top"), QVariant(50));
}

TEST(SaveLogDir, AFailedWriteIsReported)
{
    RecordingStore store;
    store.refuseWriteOf = "LogDir";
    EXPECT_EQ(ErrorOf([&] { SaveLogDir(store, SampleRecord()); }), "Failed to set data for 'LogDir'");
    RecordingStore unflushed;
    unflushed.refuseFlush = true;
    EXPECT_EQ(ErrorOf([&] { SaveLogDir(unflushed, SampleRecord()); }), "Failed to set data for 'LogDir'");
}

// ---- the program's folder ----

TEST(InstallDir, IsTheProgramsFolderWithoutTrailingSeparator)
{
    EXPECT_EQ(InstallDirOf("/opt/vy/bin/vy"), "/opt/vy/bin");
    EXPECT_EQ(InstallDirOf("/opt/vy/bin//vy"), "/opt/vy/bin");
    EXPECT_EQ(InstallDirOf("/vy"), "/");
    EXPECT_EQ(InstallDirOf("bin/vy"), QDir::toNativeSeparators(QDir::currentPath() + "/bin"));
}

TEST(InstallDir, TheDemoFolderLiesInsideIt)
{
    EXPECT_EQ(DemoLogDir("/opt/vy"), "/opt/vy/DemoLog");
    EXPECT_EQ(DemoLogDir("/"), "/DemoLog");
}

TEST(InstallDir, AProgramOnTheRootStillCountsAsPrepared)
{
    RecordingStore store;
    PrepareSettings(store, "/vy");
    EXPECT_EQ(store.Get("Main/InstallDir"), QVariant(QString("/")));
    EXPECT_EQ(store.Get("Main/LogDir"), QVariant(QString("/DemoLog")));
    store.writes.clear();
    PrepareSettings(store, "/vy");
    EXPECT_TRUE(store.writes.empty());
}

// ---- the table ----

TEST(SettingsTable, NamesAreUniqueAndSaveRanksRunWithoutGaps)
{
    std::set<std::string> names;
    std::vector<int> ranks;
    for (const SettingValue& row : SettingValues()) {
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
        if (row.saveRank)
            ranks.push_back(row.saveRank);
    }
    EXPECT_EQ(names.size(), 26u);
    std::sort(ranks.begin(), ranks.end());
    ASSERT_EQ(ranks.size(), 23u);
    for (size_t i = 0; i < ranks.size(); ++i)
        EXPECT_EQ(ranks[i], int(i) + 1);
}

}  // namespace
}  // namespace vy
