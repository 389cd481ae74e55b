#include "cli/log_folder.h"

#include <fstream>

namespace vy::testing {

std::string EnglishLine(const LogConnection& c)
{
    return c.Date + ",10:15:42 AM,RemoteAccess,Information,None," + c.EventId + ",N/A," + c.Server + ",The user " +
           c.Who + " connected on port " + c.Port + " on " + c.Date + " at " + c.Time + " and disconnected on " +
           c.Date + " at " + c.Time + ".  The user was active for " + c.Active + " seconds.  " + c.Sent +
           " bytes were sent and " + c.Received + " bytes were received. The port speed was " + c.Speed +
           ".  The reason for disconnecting was user request.";
}

std::string GermanLine(const LogConnection& c)
{
    return c.Date + ",10:15:42,RemoteAccess,Information,None," + c.EventId + ",N/A," + c.Server + ",Der Benutzer " +
           c.Who + " hat sich an Anschlu\xDF " + c.Port + " am " + c.Date + " um " + c.Time +
           " angemeldet und am " + c.Date + " um " + c.Time + " abgemeldet.  Verbindungszeit: " + c.Active +
           " s.  " + c.Sent + " Bytes wurden gesendet und " + c.Received + " Bytes empfangen. Geschwindigkeit: " +
           c.Speed + ".  Grund: Benutzeranforderung.";
}

void WriteLogFile(const QTemporaryDir& dir, const std::string& name, const std::vector<std::string>& lines)
{
    std::ofstream f(dir.filePath(QString::fromStdString(name)).toStdString(), std::ios::binary);
    for (const std::string& line : lines)
        f << line << "\r\n";
}

}  // namespace vy::testing
