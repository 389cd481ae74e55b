#pragma once
// Every stored value, declared once: its group, name, type, first-run default
// and place in the save-on-exit order. The rows stand in the order in which a
// load reads them and a first run writes each group.

#include <span>

#include "settings/settings.h"
#include "settings/settings_store.h"

namespace vy {

enum class ValueKind { Text, Integer, Flag };

struct SettingValue {
    SettingsGroup group;
    const char* name;
    ValueKind kind;
    QString Settings::*text = nullptr;
    int Settings::*integer = nullptr;
    bool Settings::*flag = nullptr;
    // First-run default of a text; nullptr where it comes from the program's
    // folder (LogDir, InstallDir).
    const char* defaultText = nullptr;
    // First-run default of an integer, or of a flag as 1 or 0.
    int defaultNumber = 0;
    // Position in the save-on-exit order, from 1; 0 for a value never saved
    // on exit.
    int saveRank = 0;
    // A value added after the first stores were written: missing or
    // unreadable, it reads as its default; a first run does not write it.
    bool optional = false;
};

// The whole table, Main group first.
std::span<const SettingValue> SettingValues();

// The row named so, or nullptr.
const SettingValue* FindSettingValue(const char* name);

}  // namespace vy
