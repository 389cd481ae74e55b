#pragma once
// Where the settings live: one small interface over the per-user store, so the
// operations in settings.cpp are written once for every platform (and for the
// recording store the tests use).

#include <memory>
#include <optional>

#include <QString>
#include <QVariant>

namespace vy {

enum class SettingsGroup { Main, Window };

QString GroupName(SettingsGroup group);

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // An absent value gives an invalid QVariant.
    virtual QVariant Read(SettingsGroup group, const QString& name) = 0;
    // Stores one value; false when it did not reach the store. A store that
    // writes all its values at once may hold it back until Flush.
    virtual bool Write(SettingsGroup group, const QString& name, const QVariant& value) = 0;
    // Makes the values written so far permanent; false when none of those
    // held back could be stored.
    virtual bool Flush() { return true; }
    // True where integers are kept as text and a text of digits is read as
    // an integer (the INI file); false where the store types its values (the
    // registry, where a string in place of a number is the wrong type).
    virtual bool IntegersAsText() const = 0;
};

// The current user's store, opened afresh: the registry keys
// HKEY_CURRENT_USER\Software\Quillmar\Vy\{Main,Window} on Windows, the INI file
// of organisation "Quillmar" and application "Vy" elsewhere.
std::unique_ptr<SettingsStore> OpenUserSettings();

// The system's command line for starting the web browser, or nothing when the
// system names none.
std::optional<QString> SystemBrowserCommand();

}  // namespace vy
