#include "settings/scan_settings_from.h"

namespace vy {

namespace {

std::string Latin1(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

ScanSettings ScanSettingsFrom(const Settings& settings, double initialDate, double finalDate)
{
    ScanSettings s;
    s.LogDir = settings.LogDir;
    s.FileFilter = settings.FileFilter;
    s.LogLanguage = Latin1(settings.LogLanguage);
    s.NEvents = Latin1(settings.NEvents);
    s.ExcludedUsers = Latin1(settings.ExcludedUsers);
    s.ExcludedDomains = Latin1(settings.ExcludedDomains);
    s.ExcludedPorts = Latin1(settings.ExcludedPorts);
    s.CheckLogFiles = settings.CheckLogFiles;
    s.InitialDate = initialDate;
    s.FinalDate = finalDate;
    return s;
}

}  // namespace vy
