#pragma once
// Writes folders of remote-access event logs of our own making: connection
// lines in English or German mixed with other events of the same source and
// with unrelated noise, CR LF line ends, fully determined by the seed. The
// connection lines take the classic message form, or (English only) the form
// of current servers' event 20272. The export forms write the same
// connections as events 20272 or 20251 (EventId) of current servers, among
// the same other events, the way Windows exports them: Event Viewer CSV and
// tab-separated text (German header with German), PowerShell's Export-Csv
// (Get-WinEvent in odd files, Get-EventLog in even ones), and Event Viewer's
// XML in UTF-16 with the values as insertion strings and the texts shown. Event Viewer exports name no
// computer: read back, their server is the file's name. Event log files
// (.evtx) hold the same connections as events 20251 and 20272. The
// accounting forms write each connection as a RADIUS session.

#include <cstdint>
#include <string>
#include <vector>

#include "store/date_value.h"

namespace vy::loggen {

enum class Language { English, German, Mixed };
enum class MessageForm { Classic, Current, EventViewerCsv, EventViewerText, Xml, PowerShellCsv, Evtx, Detail, Radacct,
                         NpsDts, NpsOdbc, NpsIas };

struct GeneratorOptions {
    std::uint64_t Seed = 1;
    int Files = 1;
    std::int64_t ConnectionLines = 100;  // distinct connections, duplicates not included
    std::int64_t OtherLines = 100;       // other events of the source and noise
    std::int64_t DuplicateLines = 0;     // extra copies of earlier connection lines
    Language Lang = Language::English;
    // The current form writes the same connections and other lines as the
    // classic one for the same seed; its own variations (quoting, prefix,
    // blanks) are drawn apart.
    MessageForm Form = MessageForm::Classic;
    CivilDate FirstDay{1998, 10, 1};  // connection start dates lie in FirstDay..LastDay
    CivilDate LastDay{1998, 10, 31};
    int Domains = 3;
    int Users = 30;
    int Servers = 4;  // spread over the domains
    int Ports = 6;    // per server
    int Speeds = 4;
    int LocalUsersPercent = 10;  // users written without a domain
    std::string EventId = "20050";  // .evtx: 20251 or 20272, any other both in turn
    std::string FilePrefix = "ras";  // files are <prefix><NNN>.txt (.csv, .xml, .evtx for those forms)
};

// One connection as the parser should read it back.
struct Connection {
    std::string Domain;  // empty: written without a domain ("Local" when read)
    std::string User;    // as written; the parser lower-cases it
    std::string Server;
    std::string Port;
    std::string Speed;
    double Start = 0;  // whole minutes, days since 30 Dec 1899
    std::int32_t ActiveSeconds = 0;
    std::int64_t BytesSent = 0;
    std::int64_t BytesReceived = 0;
};

// The connection line for c, without its line end. eventId is the event's
// ID field; german selects the German message text.
std::string ConnectionLineText(const Connection& c, bool german = false, const std::string& eventId = "20050");

// What a generated folder holds, for checking a scan of it.
struct GeneratedFolder {
    std::vector<std::string> Files;  // names, in the order written
    std::int64_t TotalBytes = 0;
    std::int64_t ConnectionLines = 0;  // including duplicates
    std::int64_t DuplicateLines = 0;
    std::int64_t OtherLines = 0;
    std::int64_t ActiveSeconds = 0;  // sums over every connection line, duplicates included
    std::int64_t BytesSent = 0;
    std::int64_t BytesReceived = 0;
};

// Writes the folder (created when missing; existing files of the same names
// are replaced). Throws std::runtime_error when a file cannot be written or
// the options make no sense.
GeneratedFolder GenerateLogFolder(const std::string& folder, const GeneratorOptions& options);

// The same lines without writing them: called with every line (no line end)
// and, for connection lines, the connection it describes (else nullptr);
// copy is true for a duplicate of the connection line before it.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void BeginFile(const std::string& name) = 0;
    // What comes before the first line of an export: a byte order mark and
    // a header line (with its line end). Called after BeginFile, not for
    // the classic forms.
    virtual void Head(const std::string& text) { (void)text; }
    // What closes an export after its last line (with its line end).
    virtual void Tail(const std::string& text) { (void)text; }
    virtual void Line(const std::string& line, const Connection* connection, bool copy) = 0;
};
void GenerateLines(const GeneratorOptions& options, LineSink& sink);

}  // namespace vy::loggen
