#include "settings/settings_store.h"

#include <functional>

#include <QSettings>
#include <QStandardPaths>

namespace vy {

QString GroupName(SettingsGroup group)
{
    return group == SettingsGroup::Main ? QStringLiteral("Main") : QStringLiteral("Window");
}

namespace {

using SettingsFactory = std::function<std::unique_ptr<QSettings>()>;

class QtSettingsStore final : public SettingsStore {
public:
    // writesWhole: the store is one file, written all at once; its integers
    // are kept as text.
    QtSettingsStore(SettingsFactory open, bool writesWhole)
        : m_open(std::move(open)), m_settings(Open()), m_writesWhole(writesWhole)
    {
    }

    QVariant Read(SettingsGroup group, const QString& name) override { return m_settings->value(Key(group, name)); }

    bool Write(SettingsGroup group, const QString& name, const QVariant& value) override
    {
        m_settings->setValue(Key(group, name), value);
        // The registry takes each value on its own; the INI file is written
        // whole, so one sync at the end does for all of them.
        return m_writesWhole ? true : Sync();
    }

    bool Flush() override { return Sync(); }

    bool IntegersAsText() const override { return m_writesWhole; }

private:
    bool Sync()
    {
        m_settings->sync();
        switch (m_settings->status()) {
        case QSettings::NoError:
            return true;
        case QSettings::AccessError:
            return false;
        case QSettings::FormatError:
            break;
        }
        // A file that did not parse when opened leaves its status at
        // FormatError for good, which would hide a failed write. The sync has
        // rewritten the file cleanly if it could: a fresh look tells.
        m_settings = Open();
        return m_settings->status() == QSettings::NoError;
    }

    static QString Key(SettingsGroup group, const QString& name) { return GroupName(group) + QLatin1Char('/') + name; }

    std::unique_ptr<QSettings> Open() const
    {
        auto settings = m_open();
        // Only the user's own values count; a system-wide file must not fill
        // in values the user's store lacks.
        settings->setFallbacksEnabled(false);
        return settings;
    }

    SettingsFactory m_open;
    std::unique_ptr<QSettings> m_settings;
    bool m_writesWhole;
};

}  // namespace

// The only place that knows which platform keeps the settings where.
std::unique_ptr<SettingsStore> OpenUserSettings()
{
#ifdef Q_OS_WIN
    // Strings become REG_SZ and ints REG_DWORD; flags are written as ints.
    return std::make_unique<QtSettingsStore>(
        [] {
            return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Quillmar\\Vy"),
                                               QSettings::NativeFormat);
        },
        false);
#else
    return std::make_unique<QtSettingsStore>(
        [] {
            return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                               QStringLiteral("Quillmar"), QStringLiteral("Vy"));
        },
        true);
#endif
}

std::optional<QString> SystemBrowserCommand()
{
#ifdef Q_OS_WIN
    // Opened read-only in effect: nothing is ever set on this object.
    QSettings key(QStringLiteral("HKEY_CLASSES_ROOT\\http\\shell\\open\\command"), QSettings::NativeFormat);
    const QVariant command = key.value(QStringLiteral("Default"));
    if (!command.isValid())
        return std::nullopt;
    return command.toString();
#else
    const QString browser = qEnvironmentVariable("BROWSER");
    if (!browser.isEmpty())
        return browser;
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty())
        return opener;
    return std::nullopt;
#endif
}

}  // namespace vy
