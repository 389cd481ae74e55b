#include "settings/scan_settings_from.h"

#include "store/latin1_text.h"

namespace vy {

ScanSettings ScanSettingsFrom(const Settings& settings, double initialDate, double finalDate)
{
    ScanSettings s;
    s.LogDir = settings.LogDir;
    s.FileFilter = settings.FileFilter;
    s.LogLanguage = ToLatin1(settings.LogLanguage);
    s.NEvents = ToLatin1(settings.NEvents);
    s.ExcludedUsers = ToLatin1(settings.ExcludedUsers);
    s.ExcludedDomains = ToLatin1(settings.ExcludedDomains);
    s.ExcludedPorts = ToLatin1(settings.ExcludedPorts);
    s.CheckLogFiles = settings.CheckLogFiles;
    s.InitialDate = initialDate;
    s.FinalDate = finalDate;
    return s;
}

}  // namespace vy
