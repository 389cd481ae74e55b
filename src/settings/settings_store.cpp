#include "settings/settings_store.h"

#include <QSettings>
#include <QStandardPaths>

namespace vy {

QString GroupName(SettingsGroup group)
{
    return group == SettingsGroup::Main ? QStringLiteral("Main") : QStringLiteral("Window");
}

namespace {

class QtSettingsStore final : public SettingsStore {
public:
    explicit QtSettingsStore(std::unique_ptr<QSettings> settings, bool integersAsText)
        : m_settings(std::move(settings)), m_integersAsText(integersAsText)
    {
        // Only the user's own values count; a system-wide file must not fill
        // in values the user's store lacks.
        m_settings->setFallbacksEnabled(false);
    }

    QVariant Read(SettingsGroup group, const QString& name) override
    {
        return m_settings->value(GroupName(group) + QLatin1Char('/') + name);
    }

    bool Write(SettingsGroup group, const QString& name, const QVariant& value) override
    {
        // Synced value by value, so a failure is known at the value that
        // caused it and the operation can stop there.
        m_settings->setValue(GroupName(group) + QLatin1Char('/') + name, value);
        m_settings->sync();
        return m_settings->status() == QSettings::NoError;
    }

    bool IntegersAsText() const override { return m_integersAsText; }

private:
    std::unique_ptr<QSettings> m_settings;
    bool m_integersAsText;
};

}  // namespace

// The only place that knows which platform keeps the settings where.
std::unique_ptr<SettingsStore> OpenUserSettings()
{
#ifdef Q_OS_WIN
    // Strings become REG_SZ and ints REG_DWORD; flags are written as ints.
    return std::make_unique<QtSettingsStore>(
        std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Quillmar\\Vy"),
                                    QSettings::NativeFormat),
        false);
#else
    return std::make_unique<QtSettingsStore>(
        std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillmar"),
                                    QStringLiteral("Vy")),
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
