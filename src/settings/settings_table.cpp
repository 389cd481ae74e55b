#include "settings/settings_table.h"

#include <cstring>

namespace vy {

namespace {

constexpr SettingValue Text(SettingsGroup group, const char* name, QString Settings::*field,
                            const char* defaultText, int saveRank)
{
    SettingValue value{group, name, ValueKind::Text};
    value.text = field;
    value.defaultText = defaultText;
    value.saveRank = saveRank;
    return value;
}

constexpr SettingValue Integer(SettingsGroup group, const char* name, int Settings::*field, int defaultNumber,
                               int saveRank)
{
    SettingValue value{group, name, ValueKind::Integer};
    value.integer = field;
    value.defaultNumber = defaultNumber;
    value.saveRank = saveRank;
    return value;
}

constexpr SettingValue Flag(SettingsGroup group, const char* name, bool Settings::*field, bool defaultFlag,
                            int saveRank)
{
    SettingValue value{group, name, ValueKind::Flag};
    value.flag = field;
    value.defaultNumber = defaultFlag ? 1 : 0;
    value.saveRank = saveRank;
    return value;
}

constexpr SettingValue Optional(SettingValue value)
{
    value.optional = true;
    return value;
}

constexpr auto M = SettingsGroup::Main;
constexpr auto W = SettingsGroup::Window;

// Save on exit writes the Window group first, then the Main values in the
// order of their ranks.
const SettingValue kValues[] = {
    Text(M, "LogDir", &Settings::LogDir, nullptr, 0),
    Text(M, "InstallDir", &Settings::InstallDir, nullptr, 0),
    Text(M, "Version", &Settings::Version, "3.0", 0),
    Text(M, "ExcludedUsers", &Settings::ExcludedUsers, "", 13),
    Text(M, "ExcludedDomains", &Settings::ExcludedDomains, "", 14),
    Text(M, "ExcludedPorts", &Settings::ExcludedPorts, "", 15),
    Text(M, "LogLanguage", &Settings::LogLanguage, "EN", 16),
    Text(M, "NEvent", &Settings::NEvent, "20050", 17),
    // Saved on exit as well, since the Configuration dialog edits it.
    Text(M, "NEvents", &Settings::NEvents, "20050;20048", 21),
    Text(M, "FileFilter", &Settings::FileFilter, "*.txt", 18),
    Flag(M, "SaveSettingOnExit", &Settings::SaveSettingOnExit, true, 11),
    Flag(M, "CheckLogFiles", &Settings::CheckLogFiles, false, 12),

    Integer(W, "Top", &Settings::Top, 50, 1),
    Integer(W, "Left", &Settings::Left, 50, 2),
    Integer(W, "Height", &Settings::Height, 400, 3),
    Integer(W, "Width", &Settings::Width, 600, 4),
    Integer(W, "TreeWidth", &Settings::TreeWidth, 160, 5),
    Flag(W, "ToolBar", &Settings::ToolBar, true, 6),
    Flag(W, "StatusBar", &Settings::StatusBar, true, 7),
    Text(W, "FontName", &Settings::FontName, "MS Sans Serif", 8),
    Integer(W, "FontSize", &Settings::FontSize, 8, 9),
    Text(W, "FontStyle", &Settings::FontStyle, "", 10),
    Optional(Flag(W, "Chart", &Settings::Chart, false, 19)),
    Optional(Integer(W, "ChartMeasure", &Settings::ChartMeasure, 0, 20)),
    Optional(Text(W, "RecentFolders", &Settings::RecentFolders, "", 22)),
    Optional(Text(W, "ListColumns", &Settings::ListColumns, "", 23)),
};

}  // namespace

std::span<const SettingValue> SettingValues()
{
    return kValues;
}

const SettingValue* FindSettingValue(const char* name)
{
    for (const SettingValue& value : kValues)
        if (std::strcmp(value.name, name) == 0)
            return &value;
    return nullptr;
}

}  // namespace vy
