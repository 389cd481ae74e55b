#pragma once
// The one settings record, and its persistence (the unit "rk"): the Main and
// Window groups of the per-user store, under the same value names, types,
// defaults and write rules on every platform.

#include <stdexcept>

#include <QString>

namespace vy {

struct Settings {
    QString LogDir;
    QString InstallDir;
    QString Version;
    QString ExcludedUsers;
    QString ExcludedDomains;
    QString ExcludedPorts;
    QString LogLanguage;
    QString NEvent;
    QString NEvents;
    QString FileFilter;
    QString BrowserCommand;
    int Top = 0;
    int Left = 0;
    int Width = 0;
    int Height = 0;
    int TreeWidth = 0;
    QString FontName;
    int FontSize = 0;
    QString FontStyle;
    bool ToolBar = false;
    bool StatusBar = false;
    bool SaveSettingOnExit = false;
    bool CheckLogFiles = false;
    bool Chart = false;  // the chart under the report list is shown
    int ChartMeasure = 0;  // what the chart shows: 0 time, 1 bytes sent, 2 received
    QString RecentFolders;  // the last log folders opened, newest first, one a line
    QString ListColumns;    // the list's column widths and order per table kind
};

// A read or write of one value failed; what() is the text shown to the user,
// e.g. "Failed to get data for 'Top'".
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The process-wide record.
Settings& ProcessSettings();

// programFile is the full path of the running program; its folder becomes
// InstallDir on a first run. PrepareSettings says whether this was a first run
// (the defaults just written). Each throws SettingsError, stopping at the
// value that failed.
bool PrepareSettings(const QString& programFile);
void LoadSettings(Settings& settings);
void SaveSettings(const Settings& settings);
void SaveLogDir(const Settings& settings);

class SettingsStore;

// The same operations on a store that is already open (the tests hand in
// their own).
bool PrepareSettings(SettingsStore& store, const QString& programFile);
void LoadSettings(SettingsStore& store, Settings& settings);
void SaveSettings(SettingsStore& store, const Settings& settings);
void SaveLogDir(SettingsStore& store, const Settings& settings);

// The folder of the program file, with the platform's separators and no
// trailing one (except for a root folder, which is nothing without it).
QString InstallDirOf(const QString& programFile);

// The first-run log folder: the "DemoLog" folder inside installDir.
QString DemoLogDir(const QString& installDir);

}  // namespace vy
