#include "loggen/log_generator.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringEncoder>

#include "loggen/accounting_folder_writer.h"
#include "loggen/evtx_folder_writer.h"
#include "loggen/nps_log_writer.h"

#include <fcntl.h>
#include <unistd.h>

namespace vy::loggen {

namespace {

// splitmix64: small, fast, and the same sequence on every platform (the
// standard distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1; n > 0.
    std::uint64_t Below(std::uint64_t n) { return static_cast<std::uint64_t>((static_cast<unsigned __int128>(Next()) * n) >> 64); }
    bool Chance(std::uint64_t num, std::uint64_t den) { return Below(den) < num; }

private:
    std::uint64_t state_;
};

void AppendUInt(std::string& out, std::uint64_t v)
{
    char buf[24];
    char* p = buf + sizeof buf;
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    out.append(p, static_cast<std::size_t>(buf + sizeof buf - p));
}

void Append2(std::string& out, int v)
{
    out.push_back(static_cast<char>('0' + v / 10 % 10));
    out.push_back(static_cast<char>('0' + v % 10));
}

void AppendDateMdy(std::string& out, const CivilDate& d, char sep)
{
    Append2(out, d.Month);
    out.push_back(sep);
    Append2(out, d.Day);
    out.push_back(sep);
    AppendUInt(out, static_cast<std::uint64_t>(d.Year));
}

// "31.10.1998", as German logs and exports write the date.
void AppendGermanDate(std::string& out, const CivilDate& d)
{
    Append2(out, d.Day);
    out.push_back('.');
    Append2(out, d.Month);
    out.push_back('.');
    AppendUInt(out, static_cast<std::uint64_t>(d.Year));
}

// "09:30am": the 12-hour clock the message uses, no seconds.
void AppendMessageTime(std::string& out, int secondsOfDay)
{
    const int hour = secondsOfDay / 3600;
    const int minute = secondsOfDay / 60 % 60;
    Append2(out, hour % 12 == 0 ? 12 : hour % 12);
    out.push_back(':');
    Append2(out, minute);
    out.append(hour < 12 ? "am" : "pm");
}

void AppendClock(std::string& out, int secondsOfDay)
{
    Append2(out, secondsOfDay / 3600);
    out.push_back(':');
    Append2(out, secondsOfDay / 60 % 60);
    out.push_back(':');
    Append2(out, secondsOfDay % 60);
}

// The exported event's leading fields up to and including the comma before
// the message: logged date and time, source, type, category, ID, user, computer.
void AppendHeader(std::string& out, bool german, std::int64_t loggedSecond, std::string_view source,
                  std::string_view eventId, std::string_view computer, bool warning = false)
{
    const double day = static_cast<double>(loggedSecond / 86400);
    const int sod = static_cast<int>(loggedSecond % 86400);
    const CivilDate d = DecodeDate(day);
    if (german) {
        AppendGermanDate(out, d);
        out.push_back(',');
        AppendClock(out, sod);
        out.push_back(',');
        out.append(source);
        out.append(warning ? ",Warnung,Keine," : ",Informationen,Keine,");
        out.append(eventId);
        out.append(",Nicht zutreffend,");
    } else {
        AppendDateMdy(out, d, '/');
        out.push_back(',');
        const int hour = sod / 3600;
        Append2(out, hour % 12 == 0 ? 12 : hour % 12);
        out.push_back(':');
        Append2(out, sod / 60 % 60);
        out.push_back(':');
        Append2(out, sod % 60);
        out.append(hour < 12 ? " AM," : " PM,");
        out.append(source);
        out.append(warning ? ",Warning,None," : ",Information,None,");
        out.append(eventId);
        out.append(",N/A,");
    }
    out.append(computer);
    out.push_back(',');
}

void AppendDomainUser(std::string& out, const Connection& c)
{
    if (!c.Domain.empty()) {
        out.append(c.Domain);
        out.push_back('\\');
    }
    out.append(c.User);
}

void AppendDuration(std::string& out, std::int32_t seconds, bool german)
{
    const int h = seconds / 3600;
    const int m = seconds / 60 % 60;
    const int s = seconds % 60;
    if (h > 0) {
        AppendUInt(out, static_cast<std::uint64_t>(h));
        out.append(german ? (h == 1 ? " Stunde " : " Stunden ") : (h == 1 ? " hour " : " hours "));
    }
    if (h > 0 || m > 0) {
        AppendUInt(out, static_cast<std::uint64_t>(m));
        out.append(german ? (m == 1 ? " Minute " : " Minuten ") : (m == 1 ? " minute " : " minutes "));
    }
    // The seconds always close the duration: the byte counts follow them.
    AppendUInt(out, static_cast<std::uint64_t>(s));
    out.append(german ? " s." : " seconds.");
}

std::int64_t StartSecond(const Connection& c) { return std::llround(c.Start * 1440.0) * 60; }

void AppendConnectionLine(std::string& out, const Connection& c, bool german, std::string_view eventId)
{
    const std::int64_t startSecond = StartSecond(c);
    const std::int64_t endSecond = startSecond + c.ActiveSeconds;
    const CivilDate startDay = DecodeDate(static_cast<double>(startSecond / 86400));
    const CivilDate endDay = DecodeDate(static_cast<double>(endSecond / 86400));
    AppendHeader(out, german, endSecond, "RemoteAccess", eventId, c.Server);
    if (german) {
        out.append("Der Benutzer ");
        AppendDomainUser(out, c);
        out.append(" hat sich an Anschlu\xDF ");
        out.append(c.Port);
        out.append(" am ");
        AppendDateMdy(out, startDay, '/');
        out.append(" um ");
        AppendMessageTime(out, static_cast<int>(startSecond % 86400));
        out.append(" angemeldet und am ");
        AppendDateMdy(out, endDay, '/');
        out.append(" um ");
        AppendMessageTime(out, static_cast<int>(endSecond % 86400));
        out.append(" abgemeldet.  Verbindungszeit: ");
        AppendDuration(out, c.ActiveSeconds, true);
        out.append("  ");
        AppendUInt(out, static_cast<std::uint64_t>(c.BytesSent));
        out.append(" Bytes wurden gesendet und ");
        AppendUInt(out, static_cast<std::uint64_t>(c.BytesReceived));
        out.append(" Bytes empfangen. Geschwindigkeit: ");
        out.append(c.Speed);
        out.append(".  Grund der Trennung: Anforderung durch den Benutzer.");
    } else {
        out.append("The user ");
        AppendDomainUser(out, c);
        out.append(" connected on port ");
        out.append(c.Port);
        out.append(" on ");
        AppendDateMdy(out, startDay, '/');
        out.append(" at ");
        AppendMessageTime(out, static_cast<int>(startSecond % 86400));
        out.append(" and disconnected on ");
        AppendDateMdy(out, endDay, '/');
        out.append(" at ");
        AppendMessageTime(out, static_cast<int>(endSecond % 86400));
        out.append(".  The user was active for ");
        AppendDuration(out, c.ActiveSeconds, false);
        out.append("  ");
        AppendUInt(out, static_cast<std::uint64_t>(c.BytesSent));
        out.append(" bytes were sent and ");
        AppendUInt(out, static_cast<std::uint64_t>(c.BytesReceived));
        out.append(" bytes were received. The port speed was ");
        out.append(c.Speed);
        out.append(".  The reason for disconnecting was user request.");
    }
}

// "M/D/YYYY at H:MM AM": current servers' date and time, without padding;
// with variant's bit 3 "at 14:05", with bit 4 a left-to-right mark before
// each part of the date.
void AppendCurrentDate(std::string& out, std::int64_t second, unsigned variant)
{
    const CivilDate d = DecodeDate(static_cast<double>(second / 86400));
    const std::string mark = (variant & 16) != 0 ? "\xE2\x80\x8E" : "";
    out.append(mark + std::to_string(d.Month) + "/" + mark + std::to_string(d.Day) + "/" + mark + std::to_string(d.Year));
}

void AppendCurrentTime(std::string& out, std::int64_t second, unsigned variant)
{
    const int sod = static_cast<int>(second % 86400);
    const int hour = sod / 3600;
    if ((variant & 8) != 0) {
        out.append(std::to_string(hour) + ":");
        Append2(out, sod / 60 % 60);
        return;
    }
    out.append(std::to_string(hour % 12 == 0 ? 12 : hour % 12) + ":");
    Append2(out, sod / 60 % 60);
    out.append(hour < 12 ? " AM" : " PM");
}

void AppendCurrentDateTime(std::string& out, std::int64_t second, unsigned variant)
{
    AppendCurrentDate(out, second, variant);
    out.append(" at ");
    AppendCurrentTime(out, second, variant);
}

void AppendGuid(std::string& out, std::uint64_t a, std::uint64_t b)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%04x-%012llx}", static_cast<unsigned>(a >> 32),
                  static_cast<unsigned>(a >> 16 & 0xFFFF), static_cast<unsigned>(a & 0xFFFF),
                  static_cast<unsigned>(b >> 48), static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
    out.append(text);
}

// Current servers' message for c in a classic line (event 20272).
// variant picks the writing: bit 0 "user request" in double quotes, bit 1
// the routing prefix, bit 2 one blank between sentences instead of two.
void AppendCurrentMessage(std::string& out, const Connection& c, unsigned variant, std::uint64_t guid)
{
    const std::int64_t startSecond = StartSecond(c);
    const std::int64_t endSecond = startSecond + c.ActiveSeconds;
    const char* between = (variant & 4) != 0 ? " " : "  ";
    if ((variant & 2) != 0) {
        out.append("RoutingDomainID- ");
        AppendGuid(out, 0, 0);
        out.append(": CoID=");
        AppendGuid(out, guid, guid * 0x9E3779B97F4A7C15ull);
        out.append(": ");
    }
    out.append("The user ");
    AppendDomainUser(out, c);
    out.append(" connected on port " + c.Port + " on ");
    AppendCurrentDateTime(out, startSecond, variant);
    out.append(" and disconnected on ");
    AppendCurrentDateTime(out, endSecond, variant);
    out.append(std::string(".") + between + "The user was active for ");
    AppendDuration(out, c.ActiveSeconds, false);
    out.append(between);
    AppendUInt(out, static_cast<std::uint64_t>(c.BytesSent));
    out.append(" bytes were sent and ");
    AppendUInt(out, static_cast<std::uint64_t>(c.BytesReceived));
    out.append(std::string(" bytes were received.") + between);
    out.append("The reason for disconnecting was ");
    out.append((variant & 1) != 0 ? "\"user request\"." : "user request.");
}

// text in double quotes, each quote in it doubled.
void AppendQuoted(std::string& out, std::string_view text)
{
    out.push_back('"');
    for (char ch : text) {
        out.push_back(ch);
        if (ch == '"')
            out.push_back('"');
    }
    out.push_back('"');
}

// Current servers' line for c (event 20272): the message in double quotes
// when variant's bit 0 is set.
void AppendCurrentLine(std::string& out, const Connection& c, unsigned variant, std::uint64_t guid)
{
    const std::int64_t endSecond = StartSecond(c) + c.ActiveSeconds;
    AppendHeader(out, false, endSecond, "RemoteAccess", "20272", c.Server);
    std::string message;
    AppendCurrentMessage(message, c, variant & 7, guid);
    if ((variant & 1) != 0)
        AppendQuoted(out, message);
    else
        out.append(message);
}

// The cast of a generated folder: who connects where.
struct World {
    std::vector<std::string> Domains;
    std::vector<std::string> Servers;
    std::vector<int> ServerDomain;
    std::vector<std::vector<std::string>> Ports;  // per server
    std::vector<std::string> Speeds;
    std::vector<std::string> Users;
    std::vector<int> UserDomain;  // -1: written without a domain
    std::vector<std::vector<int>> DomainServers;
};

constexpr std::array kDomainNames{"CORP", "SALES", "Research", "HQ", "LAB", "NORTH", "South", "FIELD"};
constexpr std::array kServerNames{"RAS1", "RAS2", "GATE", "DIALIN", "VPN01", "Modems", "RAS3", "EDGE"};
constexpr std::array kPortNames{"COM1", "COM2", "COM10", "VPN1-0", "VPN1-1", "COM3", "COM4", "ISDN1", "VPN2-0", "COM11"};
constexpr std::array kSpeedNames{"28800", "33600", "57600", "115200", "9600", "14400", "64000", "128000"};
constexpr std::array kUserNames{"bob",    "alice",  "Carol",   "dave",   "erin",   "frank", "Grace",  "heidi",
                                "ivan",   "judy",   "mallory", "Oscar",  "peggy",  "rupert", "sybil", "trent",
                                "victor", "Walter", "anna",    "bernd",  "claus",  "doris", "Egon",   "frieda",
                                "gustav", "hanna",  "ingo",    "Jutta",  "klaus",  "lena",  "moritz", "nora",
                                "otto",   "petra",  "Ralf",    "sabine", "tobias", "ute",   "volker", "wiebke"};

template <typename List>
std::string NameFrom(const List& list, int index, const char* stem)
{
    const int n = static_cast<int>(list.size());
    if (index < n)
        return list[static_cast<std::size_t>(index)];
    return std::string(stem) + std::to_string(index - n + 1);
}

World MakeWorld(const GeneratorOptions& o, Rng& rng)
{
    World w;
    for (int i = 0; i < o.Domains; ++i)
        w.Domains.push_back(NameFrom(kDomainNames, i, "DOM"));
    w.DomainServers.resize(static_cast<std::size_t>(o.Domains));
    for (int i = 0; i < o.Servers; ++i) {
        w.Servers.push_back(NameFrom(kServerNames, i, "SRV"));
        w.ServerDomain.push_back(i % o.Domains);
        w.DomainServers[static_cast<std::size_t>(i % o.Domains)].push_back(i);
        std::vector<std::string> ports;
        for (int p = 0; p < o.Ports; ++p)
            ports.push_back(NameFrom(kPortNames, p, "COM"));
        w.Ports.push_back(std::move(ports));
    }
    for (int i = 0; i < o.Speeds; ++i)
        w.Speeds.push_back(i < static_cast<int>(kSpeedNames.size()) ? kSpeedNames[static_cast<std::size_t>(i)]
                                                                   : std::to_string(19200 * (i + 1)));
    for (int i = 0; i < o.Users; ++i) {
        w.Users.push_back(NameFrom(kUserNames, i, "user"));
        const bool local = rng.Chance(static_cast<std::uint64_t>(o.LocalUsersPercent), 100);
        w.UserDomain.push_back(local ? -1 : i % o.Domains);
    }
    return w;
}

Connection MakeConnection(const World& w, Rng& rng, std::int64_t startMinute)
{
    Connection c;
    // A few users make most of the calls.
    const std::uint64_t users = w.Users.size();
    const std::size_t u = rng.Chance(1, 2) ? static_cast<std::size_t>(rng.Below((users + 3) / 4))
                                           : static_cast<std::size_t>(rng.Below(users));
    const int domain = w.UserDomain[u];
    c.User = w.Users[u];
    std::size_t server;
    if (domain >= 0) {
        c.Domain = w.Domains[static_cast<std::size_t>(domain)];
        const auto& own = w.DomainServers[static_cast<std::size_t>(domain)];
        server = own.empty() ? static_cast<std::size_t>(rng.Below(w.Servers.size()))
                             : static_cast<std::size_t>(own[static_cast<std::size_t>(rng.Below(own.size()))]);
    } else {
        server = static_cast<std::size_t>(rng.Below(w.Servers.size()));
    }
    c.Server = w.Servers[server];
    const auto& ports = w.Ports[server];
    c.Port = ports[static_cast<std::size_t>(rng.Below(ports.size()))];
    c.Speed = w.Speeds[static_cast<std::size_t>(rng.Below(w.Speeds.size()))];
    c.Start = static_cast<double>(startMinute) / 1440.0;
    c.ActiveSeconds = static_cast<std::int32_t>(rng.Chance(1, 8) ? 3600 + rng.Below(4 * 3600) : 5 + rng.Below(3600));
    c.BytesSent = static_cast<std::int64_t>(rng.Chance(1, 200) ? rng.Below(2000000000) : rng.Below(3000000));
    c.BytesReceived = static_cast<std::int64_t>(rng.Chance(1, 200) ? rng.Below(2000000000) : rng.Below(30000000));
    return c;
}

// A line that is not a connection line: another event of the remote-access
// source (some with the connection event's own ID), or one of another source.
// Another event: its source, ID, computer, level and message.
struct OtherEvent {
    std::string Source;
    std::string Id;
    std::string Computer;
    bool Warning = false;
    std::string Message;
};

OtherEvent DrawOtherEvent(const World& w, Rng& rng, std::int64_t second, bool german, std::string_view eventId)
{
    const Connection c = MakeConnection(w, rng, second / 60);
    OtherEvent e;
    e.Computer = c.Server;
    std::string& out = e.Message;
    auto head = [&e](std::string_view source, std::string_view id, bool warning = false) {
        e.Source = source;
        e.Id = id;
        e.Warning = warning;
    };
    switch (rng.Below(10)) {
    case 0:
        head("RemoteAccess", eventId);
        if (german) {
            out.append("Der Benutzer ");
            AppendDomainUser(out, c);
            out.append(" hat sich an Anschlu\xDF " + c.Port + " am ");
            AppendDateMdy(out, DecodeDate(static_cast<double>(second / 86400)), '/');
            out.append(" um ");
            AppendMessageTime(out, static_cast<int>(second % 86400));
            out.append(" angemeldet und wurde vor der Authentifizierung getrennt.");
        } else {
            out.append("The user ");
            AppendDomainUser(out, c);
            out.append(" connected on port " + c.Port + " on ");
            AppendDateMdy(out, DecodeDate(static_cast<double>(second / 86400)), '/');
            out.append(" at ");
            AppendMessageTime(out, static_cast<int>(second % 86400));
            out.append(" was disconnected before the user was authenticated.");
        }
        break;
    case 1:
    case 2:
        head("RemoteAccess", "20049");
        out.append(german ? "Der Benutzer " : "The user ");
        AppendDomainUser(out, c);
        out.append(german ? " hat eine Verbindung hergestellt und wurde an Anschlu\xDF " + c.Port +
                                " erfolgreich authentifiziert."
                          : " has connected and has been successfully authenticated on port " + c.Port + ".");
        break;
    case 3:
        head("RemoteAccess", "20048");
        out.append(german ? "Der Benutzer " : "The user ");
        AppendDomainUser(out, c);
        out.append(german ? " an Anschlu\xDF " + c.Port + " wurde getrennt, weil die Leitung inaktiv war."
                          : " connected on port " + c.Port + " has been disconnected because the line was idle.");
        break;
    case 4:
        // The recognition marker under an ID that is not a connection event.
        head("RemoteAccess", "20090", true);
        out.append(german ? "Verbindungszeit: 0 s. Die Verbindung an Anschlu\xDF " + c.Port + " wurde abgelehnt."
                          : "The user was active for 0 seconds on port " + c.Port +
                                " before the connection was refused.");
        break;
    case 5:
        head(german ? "Dienststeuerungs-Manager" : "Service Control Manager", "7036");
        out.append(german ? "Der Dienst RAS-Verbindungsverwaltung befindet sich jetzt im Status \"Wird ausgef\xFChrt\"."
                          : "The Remote Access Connection Manager service entered the running state.");
        break;
    case 6:
        // The connection ID inside a longer field.
        head("Backup", "120050");
        out.append(german ? "Die Sicherung ist beendet; 2 Dateien wurden \xFC" "bersprungen."
                          : "The backup job finished; 2 files were skipped.");
        break;
    case 7:
        head("Srv", "2013", true);
        out.append(german ? "Der Datentr\xE4ger D: ist fast voll. M\xF6glicherweise m\xFCssen Dateien gel\xF6scht werden."
                          : "The D: disk is at or near capacity.  You may need to delete some files.");
        break;
    case 8:
        head("Print", "10");
        out.append(german ? "Dokument " : "Document ");
        AppendUInt(out, rng.Below(500));
        out.append(german ? " von " : " owned by ");
        out.append(c.User);
        out.append(german ? " wurde auf LaserJet 4 an LPT1 gedruckt. Bytes: " : " was printed on LaserJet 4 via port LPT1.  Size in bytes: ");
        AppendUInt(out, rng.Below(1000000));
        out.push_back('.');
        break;
    default:
        head("EventLog", "6005");
        out.append(german ? "Der Ereignisprotokolldienst wurde gestartet." : "The Event log service was started.");
        break;
    }
    return e;
}

void AppendOtherLine(std::string& out, const World& w, Rng& rng, std::int64_t second, bool german,
                     std::string_view eventId)
{
    const OtherEvent e = DrawOtherEvent(w, rng, second, german, eventId);
    AppendHeader(out, german, second, e.Source, e.Id, e.Computer, e.Warning);
    out.append(e.Message);
}

// ---- The export forms ------------------------------------------------------

std::string Latin1ToUtf8(std::string_view text)
{
    std::string out;
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | b >> 6));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

// The forms written as exports of their own layout (.evtx is written from the lines by its own writer).
bool IsExport(MessageForm form)
{
    return form == MessageForm::EventViewerCsv || form == MessageForm::EventViewerText || form == MessageForm::Xml ||
           form == MessageForm::PowerShellCsv;
}

const char* ExtensionOf(MessageForm form)
{
    switch (form) {
    case MessageForm::EventViewerCsv:
    case MessageForm::PowerShellCsv: return ".csv";
    case MessageForm::Xml: return ".xml";
    default: return ".txt";
    }
}

// What an export holds before its first event, as the reference exports
// have it: a byte order mark (XML's becomes UTF-16's when written), then
// the header line, or the declaration and the root element.
std::string ExportHead(MessageForm form, bool german, bool getEventLog)
{
    const std::string bom = "\xEF\xBB\xBF";
    switch (form) {
    case MessageForm::EventViewerCsv:
    case MessageForm::EventViewerText: {
        const char sep = form == MessageForm::EventViewerCsv ? ',' : '\t';
        const std::vector<std::string> names =
            german ? std::vector<std::string>{"Ebene", "Datum und Uhrzeit", "Quelle", "Ereignis-ID", "Aufgabenkategorie"}
                   : std::vector<std::string>{"Level", "Date and Time", "Source", "Event ID", "Task Category"};
        std::string head = bom;
        for (std::size_t i = 0; i < names.size(); ++i)
            head += (i > 0 ? std::string(1, sep) : "") + names[i];
        return head + "\r\n";
    }
    case MessageForm::PowerShellCsv:
        // Get-EventLog's export is written with -NoTypeInformation.
        if (getEventLog)
            return bom + "\"EventID\",\"MachineName\",\"Data\",\"Index\",\"Category\",\"CategoryNumber\",\"EntryType\","
                         "\"Message\",\"Source\",\"ReplacementStrings\",\"InstanceId\",\"TimeGenerated\",\"TimeWritten\","
                         "\"UserName\",\"Site\",\"Container\"\r\n";
        return bom + "#TYPE System.Diagnostics.Eventing.Reader.EventLogRecord\r\n"
                     "\"Message\",\"Id\",\"Version\",\"Qualifiers\",\"Level\",\"Task\",\"Opcode\",\"Keywords\","
                     "\"RecordId\",\"ProviderName\",\"ProviderId\",\"LogName\",\"ProcessId\",\"ThreadId\","
                     "\"MachineName\",\"UserId\",\"TimeCreated\",\"ActivityId\",\"RelatedActivityId\",\"ContainerLog\","
                     "\"MatchedQueryIds\",\"Bookmark\",\"LevelDisplayName\",\"OpcodeDisplayName\",\"TaskDisplayName\","
                     "\"KeywordsDisplayNames\",\"Properties\"\r\n";
    case MessageForm::Xml:
        return bom + "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Events>\r\n";
    default:
        return "";
    }
}

// What closes an export after its last event.
std::string ExportTail(MessageForm form) { return form == MessageForm::Xml ? "</Events>\r\n" : ""; }

// One event of an export: the source, ID, computer, level, logged time and
// message; for XML also the insertion strings (the message as the only one
// when there are none).
struct ExportEvent {
    std::string_view Source;
    std::string_view Id;
    std::string_view Computer;
    bool Warning = false;
    std::int64_t Second = 0;
    std::string_view Message;
    const std::vector<std::string>* Strings = nullptr;
};

// A field of a comma- or tab-separated export, quoted when it holds the
// separator, a quote or a line end.
void AppendField(std::string& out, std::string_view text, char sep)
{
    if (text.find_first_of(std::string{sep, '"', '\r', '\n'}) == std::string_view::npos)
        out.append(text);
    else
        AppendQuoted(out, text);
}

// Text escaped as Windows escapes it: "&", "<" and ">" (and in attribute
// values their apostrophe); quotes stay.
void AppendXmlText(std::string& out, std::string_view text, bool attribute = false)
{
    for (char ch : text) {
        switch (ch) {
        case '&': out.append("&amp;"); break;
        case '<': out.append("&lt;"); break;
        case '>': out.append("&gt;"); break;
        case '\'':
            if (attribute) {
                out.append("&apos;");
                break;
            }
            [[fallthrough]];
        default: out.push_back(ch);
        }
    }
}

// "2026-12-06T10:27:31.0000000Z"
void AppendIsoTime(std::string& out, std::int64_t second)
{
    const CivilDate d = DecodeDate(static_cast<double>(second / 86400));
    AppendUInt(out, static_cast<std::uint64_t>(d.Year));
    out.push_back('-');
    Append2(out, d.Month);
    out.push_back('-');
    Append2(out, d.Day);
    out.push_back('T');
    AppendClock(out, static_cast<int>(second % 86400));
    out.append(".0000000Z");
}

// "12/5/2026 5:26:22 PM", the English exports' date and time.
void AppendUsDateTime(std::string& out, std::int64_t second)
{
    const int sod = static_cast<int>(second % 86400);
    const CivilDate d = DecodeDate(static_cast<double>(second / 86400));
    out.append(std::to_string(d.Month) + "/" + std::to_string(d.Day) + "/" + std::to_string(d.Year) + " " +
               std::to_string(sod / 3600 % 12 == 0 ? 12 : sod / 3600 % 12) + ":");
    Append2(out, sod / 60 % 60);
    out.push_back(':');
    Append2(out, sod % 60);
    out.append(sod < 43200 ? " AM" : " PM");
}

void AppendExportEvent(std::string& out, MessageForm form, bool german, bool getEventLog, const ExportEvent& e,
                       std::uint64_t recordId)
{
    const char* level = e.Warning ? "Warning" : "Information";
    const bool remoteAccess = e.Source == "RemoteAccess";
    switch (form) {
    case MessageForm::EventViewerCsv:
    case MessageForm::EventViewerText: {
        const char sep = form == MessageForm::EventViewerCsv ? ',' : '\t';
        out.append(german ? (e.Warning ? "Warnung" : "Informationen") : level);
        out.push_back(sep);
        if (german) {
            AppendGermanDate(out, DecodeDate(static_cast<double>(e.Second / 86400)));
            out.push_back(' ');
            AppendClock(out, static_cast<int>(e.Second % 86400));
        } else {
            AppendUsDateTime(out, e.Second);
        }
        out.push_back(sep);
        AppendField(out, e.Source, sep);
        out.push_back(sep);
        out.append(e.Id);
        out.push_back(sep);
        out.append(german ? "Keine" : "None");
        out.push_back(sep);
        AppendField(out, e.Message, sep);
        return;
    }
    case MessageForm::PowerShellCsv: {
        // Every value quoted, the objects' columns in the order Export-Csv
        // writes them; what is not a plain value is its type's name.
        std::string when;
        AppendUsDateTime(when, e.Second);
        const std::string record = std::to_string(recordId);
        const std::vector<std::string_view> fields =
            getEventLog
                ? std::vector<std::string_view>{e.Id, e.Computer, "System.Byte[]", record, "(0)", "0", level, e.Message,
                                                e.Source, "System.String[]", e.Id, when, when, "", "", ""}
                : std::vector<std::string_view>{e.Message, e.Id, "0", remoteAccess ? "0" : "16384", e.Warning ? "3" : "4",
                                                "0", "0", "36028797018963968", record, e.Source, "", "System", "", "",
                                                e.Computer, "", when, "", "", "System", "System.UInt32[]",
                                                "System.Diagnostics.Eventing.Reader.EventBookmark", level, "Info", "",
                                                "System.Collections.ObjectModel.ReadOnlyCollection`1[System.String]",
                                                "System.Collections.Generic.List`1[System.Diagnostics.Eventing.Reader."
                                                "EventProperty]"};
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out.push_back(',');
            AppendQuoted(out, fields[i]);
        }
        return;
    }
    case MessageForm::Xml: {
        // As Event Viewer's "Save as XML" writes it: the values, then the
        // texts shown, whose Provider is empty.
        out.append("<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System><Provider Name='");
        AppendXmlText(out, e.Source, true);
        out.append(remoteAccess ? "'/><EventID Qualifiers='0'>" : "'/><EventID Qualifiers='16384'>");
        out.append(e.Id);
        out.append(e.Warning ? "</EventID><Version>0</Version><Level>3</Level>" : "</EventID><Version>0</Version><Level>4</Level>");
        out.append("<Task>0</Task><Opcode>0</Opcode><Keywords>0x80000000000000</Keywords><TimeCreated SystemTime='");
        AppendIsoTime(out, e.Second);
        out.append("'/><EventRecordID>" + std::to_string(recordId) +
                   "</EventRecordID><Correlation/><Execution ProcessID='0' ThreadID='0'/><Channel>System</Channel>"
                   "<Computer>");
        AppendXmlText(out, e.Computer);
        out.append("</Computer><Security/></System><EventData>");
        const std::vector<std::string> single{std::string(e.Message)};
        for (const std::string& value : e.Strings != nullptr ? *e.Strings : single) {
            out.append("<Data>");
            AppendXmlText(out, value);
            out.append("</Data>");
        }
        out.append("</EventData><RenderingInfo Culture='en-US'><Message>");
        AppendXmlText(out, e.Message);
        out.append("</Message><Level>");
        out.append(level);
        out.append("</Level><Task></Task><Opcode>Info</Opcode><Channel>System</Channel><Provider></Provider>"
                   "<Keywords><Keyword>Classic</Keyword></Keywords></RenderingInfo></Event>");
        return;
    }
    default:
        return;
    }
}

// The insertion strings of c's event: routing and connection IDs, user,
// port, connect date and time, disconnect date and time, minutes and
// seconds active, bytes sent and received, (20251) port speed, reason,
// tunnel and quarantine state. variant: bit 0 a reason with quotes in it,
// bit 1 the tunnel, bit 2 the quarantine state, bit 3 the 24-hour clock
// and bit 4 direction marks in the dates (as UTF-8).
std::vector<std::string> ConnectionStrings(const Connection& c, unsigned variant, std::uint64_t guid, bool withSpeed)
{
    const std::int64_t startSecond = StartSecond(c);
    const std::int64_t endSecond = startSecond + c.ActiveSeconds;
    std::vector<std::string> s(2);
    AppendGuid(s[0], 0, 0);
    AppendGuid(s[1], guid, guid * 0x9E3779B97F4A7C15ull);
    std::string user;
    AppendDomainUser(user, c);
    s.push_back(user);
    s.push_back(c.Port);
    for (std::int64_t second : {startSecond, endSecond}) {
        std::string date, time;
        AppendCurrentDate(date, second, variant);
        AppendCurrentTime(time, second, variant);
        s.push_back(date);
        s.push_back(time);
    }
    s.push_back(std::to_string(c.ActiveSeconds / 60));
    s.push_back(std::to_string(c.ActiveSeconds % 60));
    s.push_back(std::to_string(c.BytesSent));
    s.push_back(std::to_string(c.BytesReceived));
    if (withSpeed)
        s.push_back(c.Speed);
    s.push_back((variant & 1) != 0 ? "Port disconnected, see \"Event 20275\"; call again" : "user request");
    s.push_back((variant & 2) != 0 ? "Sstp" : "L2tp");
    s.push_back((variant & 4) != 0 ? "Unknown" : "Not Applicable");
    return s;
}

// The message Windows makes of the insertion strings: the English template
// of 20272, or of 20251 (with the port speed, and "CoId" in its own case).
// Two blanks where the templates have two.
std::string TemplateMessage(const std::vector<std::string>& s, bool withSpeed)
{
    std::string out = "RoutingDomainID- " + s[0] + (withSpeed ? ": CoId=" : ": CoID=") + s[1] + ": The user " + s[2] +
                      " connected on port " + s[3] + " on " + s[4] + " at " + s[5] + " and disconnected on " + s[6] +
                      " at " + s[7] + ".  The user was active for " + s[8] + " minutes " + s[9] + " seconds.  " +
                      s[10] + " bytes were sent and " + s[11] + " bytes were received. ";
    std::size_t next = 12;
    if (withSpeed)
        out += "The port speed was " + s[next++] + ".  ";
    out += "The reason for disconnecting was " + s[next] + ". The tunnel used was " + s[next + 1] +
           ". The quarantine state was " + s[next + 2] + ".";
    return out;
}

bool GermanFile(const GeneratorOptions& o, int file)
{
    switch (o.Lang) {
    case Language::German: return true;
    case Language::Mixed: return file % 2 == 1;
    default: return false;
    }
}

void CheckOptions(const GeneratorOptions& o)
{
    if (o.Files < 1 || o.ConnectionLines < 0 || o.OtherLines < 0 || o.DuplicateLines < 0)
        throw std::runtime_error("file and line counts must not be negative, and there must be a file");
    if (o.Domains < 1 || o.Users < 1 || o.Servers < 1 || o.Ports < 1 || o.Speeds < 1)
        throw std::runtime_error("domains, users, servers, ports and speeds need at least one each");
    if (o.DuplicateLines > 0 && o.ConnectionLines == 0)
        throw std::runtime_error("duplicate lines need connection lines to copy");
    if (o.LocalUsersPercent < 0 || o.LocalUsersPercent > 100)
        throw std::runtime_error("the share of users without a domain is a percentage");
    if (o.EventId.size() != 5)
        throw std::runtime_error("an event ID has five characters");
    if (o.Form == MessageForm::Current && o.Lang != Language::English)
        throw std::runtime_error("the current message form is English only");
    if (IsExport(o.Form) && o.EventId != "20272" && o.EventId != "20251")
        throw std::runtime_error("the export forms write events 20272 or 20251");
    if ((o.Form == MessageForm::Xml || o.Form == MessageForm::PowerShellCsv) && o.Lang != Language::English)
        throw std::runtime_error("only the Event Viewer exports have a German header");
    if (o.Form == MessageForm::Evtx && o.Lang != Language::English)
        throw std::runtime_error("event log files are written in English only");
    const auto first = EncodeDate(o.FirstDay.Year, o.FirstDay.Month, o.FirstDay.Day);
    const auto last = EncodeDate(o.LastDay.Year, o.LastDay.Month, o.LastDay.Day);
    if (!first || !last || *last < *first || *first < 1)
        throw std::runtime_error("the date range is not a valid range of days after 1899");
}

std::int64_t Share(std::int64_t total, int part, int parts)
{
    return total * (part + 1) / parts - total * part / parts;
}

}  // namespace

std::string ConnectionLineText(const Connection& c, bool german, const std::string& eventId)
{
    std::string out;
    AppendConnectionLine(out, c, german, eventId);
    return out;
}


void GenerateLines(const GeneratorOptions& o, LineSink& sink)
{
    CheckOptions(o);
    Rng rng(o.Seed);
    Rng variety(o.Seed ^ 0x5EED0F0A11C0FFEEull);  // the current form's own draws
    const World world = MakeWorld(o, rng);
    const std::int64_t firstDay = static_cast<std::int64_t>(*EncodeDate(o.FirstDay.Year, o.FirstDay.Month, o.FirstDay.Day));
    const std::int64_t lastDay = static_cast<std::int64_t>(*EncodeDate(o.LastDay.Year, o.LastDay.Month, o.LastDay.Day));
    const std::int64_t minutes = (lastDay - firstDay + 1) * 1440;

    std::string line;
    line.reserve(1024);
    std::string message;
    std::uint64_t recordId = 0;
    std::int64_t dupCarry = 0;
    for (int f = 0; f < o.Files; ++f) {
        char name[64];
        std::snprintf(name, sizeof name, "%03d", f + 1);
        sink.BeginFile(o.FilePrefix + name + ExtensionOf(o.Form));
        const bool german = GermanFile(o, f);
        const bool getEventLog = f % 2 == 1;
        if (IsExport(o.Form))
            sink.Head(ExportHead(o.Form, german, getEventLog));
        std::int64_t conns = Share(o.ConnectionLines, f, o.Files);
        std::int64_t others = Share(o.OtherLines, f, o.Files);
        std::int64_t dups = Share(o.DuplicateLines, f, o.Files) + dupCarry;
        dupCarry = 0;
        if (conns == 0) {
            dupCarry = dups;  // nothing to copy here: the next file takes them
            dups = 0;
        }
        const std::int64_t startMinute = firstDay * 1440 + minutes * f / o.Files;
        const std::int64_t width = minutes * (f + 1) / o.Files - minutes * f / o.Files;
        const std::int64_t lineCount = conns + others;
        for (std::int64_t k = 0; k < lineCount; ++k) {
            // Chronological, each line somewhere in its own share of the file's time.
            const std::int64_t from = width * k / lineCount;
            const std::int64_t to = width * (k + 1) / lineCount;
            const std::int64_t minute =
                startMinute + from + (to > from ? static_cast<std::int64_t>(rng.Below(static_cast<std::uint64_t>(to - from))) : 0);
            const std::int64_t left = lineCount - k;
            line.clear();
            if (static_cast<std::int64_t>(rng.Below(static_cast<std::uint64_t>(left))) < conns) {
                const Connection c = MakeConnection(world, rng, minute);
                if (o.Form == MessageForm::Current) {
                    AppendCurrentLine(line, c, static_cast<unsigned>(variety.Below(8)), variety.Next());
                } else if (IsExport(o.Form)) {
                    // The message in English whatever the header's language:
                    // German wording is not read from exports.
                    const auto variant = static_cast<unsigned>(variety.Below(32));
                    const std::uint64_t guid = variety.Next();
                    const bool withSpeed = o.EventId == "20251";
                    const std::vector<std::string> strings = ConnectionStrings(c, variant, guid, withSpeed);
                    message = TemplateMessage(strings, withSpeed);
                    AppendExportEvent(line, o.Form, german, getEventLog,
                                      {"RemoteAccess", o.EventId, c.Server, false, StartSecond(c) + c.ActiveSeconds,
                                       message, &strings},
                                      ++recordId);
                } else
                    AppendConnectionLine(line, c, german, o.EventId);
                sink.Line(line, &c, false);
                // Copies follow their original; spread so that every file's
                // share is used by its last connection.
                std::int64_t copies = dups / conns;
                if (rng.Below(static_cast<std::uint64_t>(conns)) < static_cast<std::uint64_t>(dups % conns))
                    ++copies;
                for (std::int64_t i = 0; i < copies; ++i)
                    sink.Line(line, &c, true);
                dups -= copies;
                --conns;
            } else if (IsExport(o.Form)) {
                const std::int64_t second = minute * 60 + static_cast<std::int64_t>(rng.Below(60));
                OtherEvent e = DrawOtherEvent(world, rng, second, german, o.EventId);
                e.Source = Latin1ToUtf8(e.Source);  // the exports are UTF-8
                e.Message = Latin1ToUtf8(e.Message);
                // Exports hold messages of several lines; XML holds the one
                // connection event only under its own ID.
                if (e.Id == "2013")
                    e.Message.replace(e.Message.find('.') + 1, german ? 1 : 2, "\r\n");
                if (o.Form == MessageForm::Xml && e.Id == o.EventId)
                    e.Id = "20271";
                AppendExportEvent(line, o.Form, german, getEventLog,
                                  {e.Source, e.Id, e.Computer, e.Warning, second, e.Message, nullptr}, ++recordId);
                sink.Line(line, nullptr, false);
                --others;
            } else {
                AppendOtherLine(line, world, rng, minute * 60 + static_cast<std::int64_t>(rng.Below(60)), german,
                                o.EventId);
                sink.Line(line, nullptr, false);
                --others;
            }
        }
        if (IsExport(o.Form))
            sink.Tail(ExportTail(o.Form));
    }
}

namespace {

// Buffers the lines of one file and writes them in large blocks.
class FolderWriter : public LineSink {
public:
    // utf16: the file is written in UTF-16 LE (from the UTF-8 it is given).
    FolderWriter(std::filesystem::path folder, GeneratedFolder& summary, bool utf16)
        : folder_(std::move(folder)), summary_(summary), utf16_(utf16)
    {
        buffer_.reserve(kBlock + 4096);
    }
    ~FolderWriter() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    void BeginFile(const std::string& name) override
    {
        Finish();
        const std::filesystem::path path = folder_ / name;
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0)
            throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
        path_ = path.string();
        summary_.Files.push_back(name);
    }

    void Head(const std::string& text) override { buffer_.append(text); }
    void Tail(const std::string& text) override { buffer_.append(text); }

    void Line(const std::string& line, const Connection* c, bool copy) override
    {
        buffer_.append(line);
        buffer_.append("\r\n");
        if (c != nullptr) {
            if (copy)
                ++summary_.DuplicateLines;
            ++summary_.ConnectionLines;
            summary_.ActiveSeconds += c->ActiveSeconds;
            summary_.BytesSent += c->BytesSent;
            summary_.BytesReceived += c->BytesReceived;
        } else {
            ++summary_.OtherLines;
        }
        if (buffer_.size() >= kBlock)
            Flush();
    }

    void Finish()
    {
        if (fd_ < 0)
            return;
        Flush();
        const int rc = ::close(fd_);
        fd_ = -1;
        if (rc != 0)
            throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
    }

private:
    static constexpr std::size_t kBlock = 1 << 20;

    // The buffer holds whole lines, so whole characters.
    void Flush()
    {
        if (utf16_) {
            // The decoder passes over a byte order mark: it is put back as UTF-16's.
            const std::string_view mark = "\xEF\xBB\xBF";
            const bool marked = std::string_view(buffer_).substr(0, mark.size()) == mark;
            const QByteArray wide = QStringEncoder(QStringEncoder::Utf16LE)(
                QString::fromUtf8(std::string_view(buffer_).substr(marked ? mark.size() : 0)));
            buffer_.assign(marked ? "\xFF\xFE" : "");
            buffer_.append(wide.constData(), static_cast<std::size_t>(wide.size()));
        }
        summary_.TotalBytes += static_cast<std::int64_t>(buffer_.size());
        const char* p = buffer_.data();
        std::size_t left = buffer_.size();
        while (left > 0) {
            const ssize_t n = ::write(fd_, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        buffer_.clear();
    }

    std::filesystem::path folder_;
    GeneratedFolder& summary_;
    std::string buffer_;
    std::string path_;
    int fd_ = -1;
    bool utf16_;
};

}  // namespace

GeneratedFolder GenerateLogFolder(const std::string& folder, const GeneratorOptions& options)
{
    CheckOptions(options);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throw std::runtime_error("cannot create the folder " + folder + ": " + ec.message());
    GeneratedFolder summary;
    if (options.Form == MessageForm::Evtx) {
        EvtxFolderWriter writer(folder, options.EventId, summary);
        GenerateLines(options, writer);
        writer.Finish();
        return summary;
    }
    if (auto accounting = MakeAccountingWriter(folder, options, summary)) {
        GenerateLines(options, *accounting);
        accounting->Finish();
        return summary;
    }
    FolderWriter writer(folder, summary, options.Form == MessageForm::Xml);
    GenerateLines(options, writer);
    writer.Finish();
    return summary;
}

}  // namespace vy::loggen
