#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <tuple>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "loggen/log_generator.h"
#include "loggen/nps_log_writer.h"
#include "scan/event_list.h"
#include "scan/line_parser.h"
#include "scan/scan_run.h"
#include "store/date_value.h"

namespace vy {
namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Reads every generated line back with the parser and compares.
class CheckingSink : public loggen::LineSink {
public:
    CheckingSink(bool german, const loggen::GeneratorOptions& o)
        : lang_(german ? "DE" : "EN"), options_(o), own_(lang_, EventList(kIds)), other_(german ? "EN" : "DE", EventList(kIds))
    {
    }
    void BeginFile(const std::string& name) override { files.push_back(name); }
    void Line(const std::string& line, const loggen::Connection* c, bool copy) override
    {
        ASSERT_EQ(line.find_first_of("\r\n\x1A"), std::string::npos) << line;
        if (copy) {
            ++copies;
            EXPECT_EQ(line, previous) << "a duplicate repeats the line before it";
        }
        previous = line;
        const bool recognised = own_.IsConnectionLine(line);
        if (c == nullptr) {
            ++others;
            EXPECT_FALSE(recognised) << line;
            // Nor in the other language.
            EXPECT_FALSE(other_.IsConnectionLine(line)) << line;
            return;
        }
        ++connections;
        ASSERT_TRUE(recognised) << line;
        EXPECT_FALSE(other_.IsConnectionLine(line)) << line;
        ConnectionLine out;
        ASSERT_TRUE(ParseConnectionLine(lang_, line, out)) << line;
        EXPECT_EQ(out.Domain, c->Domain.empty() ? "Local" : c->Domain) << line;
        EXPECT_EQ(out.User, Lower(c->User)) << line;
        EXPECT_EQ(out.Server, c->Server) << line;
        EXPECT_EQ(out.Port, c->Port) << line;
        EXPECT_EQ(out.Speed, options_.Form == loggen::MessageForm::Current ? "0" : c->Speed) << line;
        EXPECT_DOUBLE_EQ(out.DateTime, c->Start) << line;
        EXPECT_EQ(out.ActiveTime, c->ActiveSeconds) << line;
        EXPECT_EQ(out.BytesSent, c->BytesSent) << line;
        EXPECT_EQ(out.BytesReceived, c->BytesReceived) << line;
        const CivilDate d = DecodeDate(c->Start);
        const double first = *EncodeDate(options_.FirstDay.Year, options_.FirstDay.Month, options_.FirstDay.Day);
        const double last = *EncodeDate(options_.LastDay.Year, options_.LastDay.Month, options_.LastDay.Day);
        EXPECT_TRUE(c->Start >= first && c->Start < last + 1) << d.Year << "-" << d.Month << "-" << d.Day;
        if (c->Domain.empty())
            ++local;
        if (c->ActiveSeconds >= 3600)
            ++withHours;
    }
    std::vector<std::string> files;
    std::string previous;
    int connections = 0, others = 0, copies = 0, local = 0, withHours = 0;

private:
    static constexpr const char* kIds = "20050;20048;20272";
    std::string lang_;
    loggen::GeneratorOptions options_;
    LineMatcher own_, other_;
};

TEST(LogGenerator, EveryConnectionLineReadsBackAndNoOtherLineIsTaken)
{
    for (auto [lang, form] : {std::pair{loggen::Language::English, loggen::MessageForm::Classic},
                              {loggen::Language::German, loggen::MessageForm::Classic},
                              {loggen::Language::English, loggen::MessageForm::Current}}) {
        loggen::GeneratorOptions o;
        o.Form = form;
        o.Seed = 11;
        o.Files = 3;
        o.ConnectionLines = 2000;
        o.OtherLines = 2000;
        o.DuplicateLines = 7;
        o.Lang = lang;
        o.LocalUsersPercent = 30;
        o.FirstDay = {1999, 2, 27};
        o.LastDay = {1999, 3, 2};
        CheckingSink sink(lang == loggen::Language::German, o);
        loggen::GenerateLines(o, sink);
        EXPECT_EQ(sink.files, (std::vector<std::string>{"ras001.txt", "ras002.txt", "ras003.txt"}));
        EXPECT_EQ(sink.connections, 2007);
        EXPECT_EQ(sink.copies, 7);
        EXPECT_EQ(sink.others, 2000);
        EXPECT_GT(sink.local, 0) << "some lines name no domain";
        EXPECT_GT(sink.withHours, 0) << "some durations have hours";
    }
}

TEST(LogGenerator, TheSameSeedWritesTheSameBytes)
{
    QTemporaryDir a, b, c;
    loggen::GeneratorOptions o;
    o.Files = 2;
    o.ConnectionLines = 300;
    o.OtherLines = 300;
    o.Lang = loggen::Language::Mixed;
    const auto fa = loggen::GenerateLogFolder(a.path().toStdString(), o);
    const auto fb = loggen::GenerateLogFolder(b.path().toStdString(), o);
    o.Seed = 2;
    loggen::GenerateLogFolder(c.path().toStdString(), o);
    ASSERT_EQ(fa.Files, fb.Files);
    for (const auto& name : fa.Files) {
        const std::string bytes = Slurp(a.path().toStdString() + "/" + name);
        EXPECT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, Slurp(b.path().toStdString() + "/" + name)) << name;
        EXPECT_NE(bytes, Slurp(c.path().toStdString() + "/" + name)) << name;
    }
}

TEST(LogGenerator, FilesEndEveryLineWithCarriageReturnAndLineFeed)
{
    QTemporaryDir dir;
    loggen::GeneratorOptions o;
    o.Files = 2;
    o.ConnectionLines = 50;
    o.OtherLines = 70;
    o.DuplicateLines = 3;
    o.Lang = loggen::Language::Mixed;
    const auto folder = loggen::GenerateLogFolder(dir.path().toStdString(), o);
    EXPECT_EQ(folder.ConnectionLines, 53);
    EXPECT_EQ(folder.DuplicateLines, 3);
    EXPECT_EQ(folder.OtherLines, 70);
    std::int64_t bytes = 0, lines = 0;
    for (const auto& name : folder.Files) {
        const std::string text = Slurp(dir.path().toStdString() + "/" + name);
        bytes += static_cast<std::int64_t>(text.size());
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                ASSERT_EQ(text[i + 1], '\n') << name << " at " << i;
                ++lines;
            } else if (text[i] == '\n') {
                ASSERT_EQ(text[i - 1], '\r') << name << " at " << i;
            }
        }
    }
    EXPECT_EQ(bytes, folder.TotalBytes);
    EXPECT_EQ(lines, 53 + 70);
}

TEST(LogGenerator, ConnectionLinesHaveTheExportedForm)
{
    loggen::Connection c;
    c.Domain = "DOM";
    c.User = "Bob";
    c.Server = "SRV1";
    c.Port = "COM1";
    c.Speed = "28800";
    c.Start = *EncodeDate(1998, 10, 5) + (9 * 60 + 30) / 1440.0;
    c.ActiveSeconds = 45 * 60 + 12;
    c.BytesSent = 12345;
    c.BytesReceived = 67890;
    EXPECT_EQ(loggen::ConnectionLineText(c),
              "10/05/1998,10:15:12 AM,RemoteAccess,Information,None,20050,N/A,SRV1,The user DOM\\Bob connected on "
              "port COM1 on 10/05/1998 at 09:30am and disconnected on 10/05/1998 at 10:15am.  The user was active "
              "for 45 minutes 12 seconds.  12345 bytes were sent and 67890 bytes were received. The port speed was "
              "28800.  The reason for disconnecting was user request.");
    c.Domain.clear();
    c.Start = *EncodeDate(1998, 10, 5) + (23 * 60 + 59) / 1440.0;  // ends on the next day
    c.ActiveSeconds = 3600 + 61;
    EXPECT_EQ(loggen::ConnectionLineText(c, true, "20048"),
              "06.10.1998,01:00:01,RemoteAccess,Informationen,Keine,20048,Nicht zutreffend,SRV1,Der Benutzer Bob hat "
              "sich an Anschlu\xDF COM1 am 10/05/1998 um 11:59pm angemeldet und am 10/06/1998 um 01:00am abgemeldet.  "
              "Verbindungszeit: 1 Stunde 1 Minute 1 s.  12345 Bytes wurden gesendet und 67890 Bytes empfangen. "
              "Geschwindigkeit: 28800.  Grund der Trennung: Anforderung durch den Benutzer.");
}

TEST(LogGenerator, RefusesOptionsThatMakeNoSense)
{
    QTemporaryDir dir;
    auto bad = [&](auto change) {
        loggen::GeneratorOptions o;
        change(o);
        EXPECT_THROW(loggen::GenerateLogFolder(dir.path().toStdString(), o), std::runtime_error);
    };
    bad([](auto& o) { o.Files = 0; });
    bad([](auto& o) { o.Users = 0; });
    bad([](auto& o) { o.ConnectionLines = 0, o.DuplicateLines = 1; });
    bad([](auto& o) { o.FirstDay = {1998, 2, 30}; });
    bad([](auto& o) { o.FirstDay = {1998, 10, 2}, o.LastDay = {1998, 10, 1}; });
    bad([](auto& o) { o.EventId = "2005"; });
    bad([](auto& o) { o.Form = loggen::MessageForm::Current, o.Lang = loggen::Language::Mixed; });
    bad([](auto& o) { o.Form = loggen::MessageForm::Xml, o.EventId = "20251", o.Lang = loggen::Language::German; });
    bad([](auto& o) { o.Form = loggen::MessageForm::EventViewerCsv; });  // the classic event 20050
    // A folder that cannot be made.
    loggen::GeneratorOptions o;
    EXPECT_THROW(loggen::GenerateLogFolder("/proc/no/such/place", o), std::runtime_error);
}

TEST(LogGenerator, DuplicatesLandEvenWhenEarlyFilesHaveNoConnections)
{
    loggen::GeneratorOptions o;
    o.Files = 4;
    o.ConnectionLines = 1;
    o.OtherLines = 8;
    o.DuplicateLines = 3;
    CheckingSink sink(false, o);
    loggen::GenerateLines(o, sink);
    EXPECT_EQ(sink.connections, 4);
    EXPECT_EQ(sink.copies, 3);
}

// Everything a record says, names written out; the server and the speed
// only when asked for, the port as port() gives it.
std::vector<std::string> RecordsByName(const Stores& stores, bool withServer = true, bool withSpeed = false,
                                       std::string (*portOf)(std::string_view) = nullptr)
{
    std::vector<std::string> out;
    const NameTable& names = stores.Names;
    for (const ConnectionRecord& r : stores.Connections) {
        std::string text = std::to_string(r.DateTime) + "|" + std::to_string(r.ActiveTime) + "|" +
                           std::to_string(r.BytesSent) + "|" + std::to_string(r.BytesReceived);
        if (!r.Removed()) {
            const InfoRec& user = names[r.UserIndex];
            const InfoRec& speed = names[r.SpeedIndex];
            const InfoRec& port = names[speed.Parent];
            const InfoRec& server = names[port.Parent];
            text += "|" + names[user.Parent].Name + "|" + user.Name + "|" + (withServer ? server.Name : "") + "|" +
                    (portOf != nullptr ? portOf(port.Name) : port.Name) + "|" + (withSpeed ? speed.Name : "");
        }
        out.push_back(text);
    }
    std::sort(out.begin(), out.end());
    return out;
}

ScanResult ScanFolder(const QString& folder, Stores& stores)
{
    ScanSettings s;
    s.LogDir = folder;
    s.FileFilter = "*.*";
    s.LogLanguage = "EN";
    s.NEvents = "20050;20048;20272;20251";
    s.CheckLogFiles = true;
    s.InitialDate = *EncodeDate(1998, 10, 1);
    s.FinalDate = *EncodeDate(1998, 10, 31);
    const std::atomic<bool> stop{false};
    return RunScan(s, stores, stop, nullptr);
}

// The same connections as classic lines, in the current servers' line form
// and in every export and event log file as events 20251 and 20272, give
// the same records; 20272 carries no speed ("0"), and Event Viewer exports
// no computer (the server is the file's name). The accounting forms write
// each connection as a RADIUS session: the server is the NAS-Identifier,
// the speed comes from Connect-Info; the retransmitted Stops are the
// duplicates. The NPS database-compatible log has no NAS-Port-Id: its port
// is the NAS-Port number.
TEST(LogGenerator, EveryFormScansToTheSameRecordsAsTheClassicLines)
{
    loggen::GeneratorOptions o;
    o.Seed = 20272;
    o.Files = 3;
    o.ConnectionLines = 3000;
    o.OtherLines = 3000;
    o.DuplicateLines = 40;
    o.LocalUsersPercent = 20;
    QTemporaryDir classicDir;
    loggen::GenerateLogFolder(classicDir.path().toStdString(), o);
    const auto classic = std::make_unique<Stores>();
    EXPECT_TRUE(ScanFolder(classicDir.path(), *classic).DuplicatesFound);
    ASSERT_EQ(classic->Connections.Count(), 3040);

    using F = loggen::MessageForm;
    using L = loggen::Language;
    for (auto [form, lang, id] : {std::tuple{F::Current, L::English, "20272"}, {F::EventViewerCsv, L::English, "20251"},
                                  {F::EventViewerCsv, L::Mixed, "20272"}, {F::EventViewerText, L::English, "20272"},
                                  {F::EventViewerText, L::German, "20251"}, {F::Xml, L::English, "20251"},
                                  {F::Xml, L::English, "20272"}, {F::PowerShellCsv, L::English, "20251"},
                                  {F::PowerShellCsv, L::English, "20272"}, {F::Evtx, L::English, "20251"},
                                  {F::Evtx, L::English, "20272"}, {F::Detail, L::English, "20251"},
                                  {F::Radacct, L::English, "20251"}, {F::NpsDts, L::English, "20251"},
                                  {F::NpsOdbc, L::English, "20251"}, {F::NpsIas, L::English, "20251"}}) {
        SCOPED_TRACE(std::to_string(static_cast<int>(form)) + " " + id + " " + std::to_string(static_cast<int>(lang)));
        o.Form = form;
        o.Lang = lang;
        o.EventId = id;
        QTemporaryDir dir;
        const auto written = loggen::GenerateLogFolder(dir.path().toStdString(), o);
        const auto stores = std::make_unique<Stores>();
        const ScanResult result = ScanFolder(dir.path(), *stores);
        EXPECT_TRUE(result.DuplicatesFound);
        EXPECT_TRUE(result.UnreadLines() == 0 && result.EventsNotListed.empty());  // nothing left aside
        const bool named = form != F::EventViewerCsv && form != F::EventViewerText;
        const bool speed = o.EventId == "20251";
        const auto portOf = form == F::NpsOdbc ? &loggen::NasPortNumber : nullptr;
        EXPECT_EQ(RecordsByName(*stores, named, speed), RecordsByName(*classic, named, speed, portOf));
        std::set<std::string> servers, fileStems;
        for (const std::string& name : written.Files)
            fileStems.insert(QFileInfo(QString::fromStdString(name)).completeBaseName().toStdString());
        for (const ConnectionRecord& r : stores->Connections) {
            if (r.Removed())
                continue;
            const InfoRec& speedName = stores->Names[r.SpeedIndex];
            ASSERT_TRUE(speed || speedName.Name == "0");
            servers.insert(stores->Names[stores->Names[speedName.Parent].Parent].Name);
        }
        if (!named) {
            EXPECT_EQ(servers, fileStems);
        }
    }
}

// The first event of the ID in an XML export (UTF-16, one event a line) as
// its element names in order and its message with each insertion string
// put back as %1, %2, ...
std::string XmlEventShape(const std::string& utf16, const std::string& id)
{
    const QString xml = QStringDecoder(QStringDecoder::Utf16LE)(QByteArray::fromStdString(utf16));
    const qsizetype at = xml.indexOf(QString::fromStdString(">" + id + "</EventID>"));
    const std::string event = xml.mid(xml.lastIndexOf('\n', at) + 1).section('\n', 0, 0).toStdString();
    std::string names, message = std::regex_replace(event, std::regex(".*<Message>(.*)</Message>.*\r?"), "$1");
    const std::regex element("<(\\w+)"), data("<Data>(.*?)</Data>");
    for (std::sregex_iterator m(event.begin(), event.end(), element), end; m != end; ++m)
        names += "/" + (*m)[1].str();
    std::size_t from = 0, n = 0;
    for (std::sregex_iterator m(event.begin(), event.end(), data), end; m != end; ++m) {
        const std::string mark = "%" + std::to_string(++n);
        from = message.find((*m)[1].str(), from);
        if (from == std::string::npos)
            return "no insertion string " + mark;
        message.replace(from, (*m)[1].length(), mark);
        from += mark.size();
    }
    return names + "\n" + message;
}

// Generated exports beside the ones Windows wrote: the same head, and in
// XML the same elements and the same message templates.
TEST(LogGenerator, ExportsHaveTheShapeOfTheReferenceExports)
{
    const std::string reference = qgetenv("VY_SOURCE_DIR").toStdString() + "/tests/data/windows-exports/";
    QTemporaryDir dir;
    auto generated = [&dir](loggen::MessageForm form, const char* id, std::size_t file) {
        const loggen::GeneratorOptions o{.Files = 2, .ConnectionLines = 20, .OtherLines = 20, .Form = form, .EventId = id};
        return Slurp(dir.path().toStdString() + "/" + loggen::GenerateLogFolder(dir.path().toStdString(), o).Files[file]);
    };
    auto head = [](const std::string& bytes, int lines) {
        std::size_t end = 0;
        while (lines-- > 0)
            end = bytes.find('\n', end) + 1;
        return bytes.substr(0, end);
    };
    using F = loggen::MessageForm;
    EXPECT_EQ(head(generated(F::EventViewerCsv, "20251", 0), 1), head(Slurp(reference + "RAS1.csv"), 1));
    EXPECT_EQ(head(generated(F::EventViewerText, "20251", 0), 1), head(Slurp(reference + "RAS1.txt"), 1));
    // Get-WinEvent in odd files, Get-EventLog in even ones.
    EXPECT_EQ(head(generated(F::PowerShellCsv, "20251", 0), 2), head(Slurp(reference + "winevent.csv"), 2));
    EXPECT_EQ(head(generated(F::PowerShellCsv, "20251", 1), 1), head(Slurp(reference + "eventlog8.csv"), 1));
    const std::string windowsXml = Slurp(reference + "System.xml");
    for (const char* id : {"20251", "20272"}) {
        const std::string xml = generated(F::Xml, id, 0);
        EXPECT_EQ(head(xml, 2), head(windowsXml, 2)) << id;
        const std::string shape = XmlEventShape(windowsXml, id);
        EXPECT_NE(shape.find("/RenderingInfo/Message"), std::string::npos) << shape;
        EXPECT_EQ(XmlEventShape(xml, id), shape);
    }
}

// One file scanned alone: what its summary says.
FileSummary ScanOne(const QTemporaryDir& dir, const std::string& bytes, const char* ids, Stores* kept = nullptr)
{
    std::ofstream(dir.filePath("damaged.log").toStdString(), std::ios::binary | std::ios::trunc) << bytes;
    ScanSettings s;
    s.LogDir = dir.path();
    s.FileFilter = "damaged.log";
    s.LogLanguage = "EN";
    s.NEvents = ids;
    s.FinalDate = 1e6;
    const auto stores = std::make_unique<Stores>();
    const std::atomic<bool> stop{false};
    const ScanResult result = RunScan(s, kept != nullptr ? *kept : *stores, stop, nullptr);
    EXPECT_EQ(result.Files.size(), 1u);
    return result.Files.at(0);
}

// Damaged exports: every connection written is read or counted, the
// reading going on after the damage; a connection the end cuts is counted
// by its line.
TEST(LogGenerator, DamagedExportsKeepOrCountEveryConnectionWritten)
{
    QTemporaryDir dir;
    loggen::GeneratorOptions o;
    o.ConnectionLines = 40;
    o.OtherLines = 40;
    o.EventId = "20251";
    // Puts text into the k-th connection, where it breaks the record.
    using Damage = std::string (*)(std::string, std::size_t);
    const Damage unclosedQuote = [](std::string t, std::size_t k) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < k; ++i)
            at = t.find("The user was active for", at + 1);
        // The closing quote goes; an unquoted description gains an opening one.
        const std::size_t quote = t.find('"', at);
        return quote < t.find('\n', at) ? t.erase(quote, 1) : t.insert(t.rfind(",None,", at) + 6, "\"");
    };
    const Damage strayAmpersand = [](std::string t, std::size_t k) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < k; ++i)
            at = t.find(">20251</EventID>", at + 1);
        return t.insert(at + 16, "&");
    };
    // The k-th Stop of a detail file: a User-Name whose closing quote went
    // (an escape cut short); the k-th finished row of a radacct copy: a
    // quote lost.
    const Damage cutEscape = [](std::string t, std::size_t k) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < k; ++i)
            at = t.find("\tAcct-Status-Type = Stop\n", at + 1);
        return t.replace(t.rfind("\"\n\tAcct-Status-Type = Stop", at), 1, "\\");
    };
    const Damage lostQuote = [](std::string t, std::size_t k) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < k; ++i)
            at = t.find("\"\"9\"\"\",", at + 1);
        return t.erase(at + 5, 1);
    };
    // The k-th Stop of an NPS log: DTS without its </Event>; database-
    // compatible with a quote lost; IAS with a user in hex of odd length.
    const Damage eventEndLost = [](std::string t, std::size_t k) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < k; ++i)
            at = t.find("<Acct-Status-Type data_type=\"0\">2<", at + 1);
        return t.erase(t.find("</Event>", at), 8);
    };
    const Damage framedQuoteLost = [](std::string t, std::size_t k) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < k; ++i)
            at = t.find("\"192.168.7.", at + 1);
        return t.erase(t.find('"', at + 1), 1);
    };
    const Damage oddHexUser = [](std::string t, std::size_t k) {
        std::size_t at = 0;
        for (std::size_t i = 0; i < k; ++i)
            at = t.find(",8,192.168.7.", at + 1);
        const std::size_t user = t.rfind(",1,", at) + 3;
        return t.replace(user, t.find(',', user) - user, "0x123");
    };
    using F = loggen::MessageForm;
    for (auto [form, cutAfter, damage] :
         {std::tuple{F::EventViewerCsv, std::string(" bytes were sent and "), unclosedQuote},
          {F::PowerShellCsv, std::string("\",\"20251\",\""), unclosedQuote},
          {F::Xml, std::string(">20251</EventID>"), strayAmpersand},
          {F::Detail, std::string("\tAcct-Terminate-Cause = User-"), cutEscape},
          {F::Radacct, std::string(",5551234,"), lostQuote},
          {F::NpsDts, std::string("<Acct-Status-Type data_type=\"0\">2</Acct-Status-Type>"), eventEndLost},
          {F::NpsOdbc, std::string("\"192.168.7."), framedQuoteLost},
          {F::NpsIas, std::string(",8,192.168.7."), oddHexUser}}) {
        SCOPED_TRACE(static_cast<int>(form));
        o.Form = form;
        const bool nps = form == F::NpsDts || form == F::NpsOdbc || form == F::NpsIas;
        const bool accounting = form == F::Detail || form == F::Radacct || nps;  // no event list
        const auto written = loggen::GenerateLogFolder(dir.path().toStdString(), o);
        std::string whole = Slurp(dir.filePath(QString::fromStdString(written.Files[0])).toStdString());
        if (form == loggen::MessageForm::Xml)  // cut where its text says, in UTF-8
            whole = QString(QStringDecoder(QStringDecoder::Utf16LE)(QByteArray::fromStdString(whole))).toStdString();
        const FileSummary all = ScanOne(dir, whole, "20251");
        EXPECT_EQ(all.Connections, 40);
        EXPECT_EQ(all.Unread, 0);
        const FileSummary unlisted = ScanOne(dir, whole, "20050");
        EXPECT_EQ(unlisted.NotListed, (accounting ? std::map<int, std::int64_t>{} : std::map<int, std::int64_t>{{20251, 40}}));
        // Cut inside the last connection: its quote or element never closes,
        // or its message ends early; it is counted where its record starts.
        const std::size_t at = whole.rfind(cutAfter) + cutAfter.size();
        const std::size_t start = form == F::Detail ? whole.rfind("\n\n", at) + 2 : at;
        const FileSummary cut = ScanOne(dir, whole.substr(0, at), "20251");
        EXPECT_EQ(cut.Connections, 39);
        EXPECT_EQ(cut.Unread, 1);
        EXPECT_EQ(cut.FirstUnread, std::count(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(start), '\n') + 1);
        // Broken in the middle: that one connection alone is lost, and told.
        for (std::size_t k : {1u, 17u, 40u}) {
            const FileSummary broken = ScanOne(dir, damage(whole, k), "20251");
            EXPECT_EQ(broken.Connections + broken.Unread, 40) << k;
            EXPECT_EQ(broken.Unread, 1) << k;
        }
        // The header alone.
        const FileSummary head = ScanOne(dir, whole.substr(0, whole.find('\n') + 1), "20251");
        EXPECT_EQ(head.Connections + head.Unread + static_cast<std::int64_t>(head.NotListed.size()), 0);
        if (form == F::PowerShellCsv) {
            // A quote within a quoted field is doubled, and read as one.
            std::string quoted = whole;
            quoted.insert(quoted.rfind("The user ", quoted.find("The user was active for") - 1) + 9, "q\"\"");
            const auto stores = std::make_unique<Stores>();
            EXPECT_EQ(ScanOne(dir, quoted, "20251", stores.get()).Connections, 40);
            bool found = false;
            for (int i = 0; i < stores->Names.Count(); ++i)
                found = found || (stores->Names[i].Name.starts_with("q\"") && stores->Names[i].Name[2] != '"');
            EXPECT_TRUE(found);
            // A column missing from the header is named.
            std::string renamed = whole;
            renamed.replace(renamed.find("\"MachineName\""), 13, "\"Machine\"");
            const FileSummary missing = ScanOne(dir, renamed, "20251");
            ASSERT_EQ(missing.Problems.size(), 1u);
            EXPECT_NE(missing.Problems[0].find("\"MachineName\""), std::string::npos);
        }
        if (form == F::Xml) {
            // Two exports appended, the first after a comment and a DOCTYPE.
            const FileSummary twice = ScanOne(dir, "<!-- saved -->\n<!DOCTYPE Events>\n" + whole + whole, "20251");
            EXPECT_EQ(twice.Connections, 80);
            // Names are data: a line break in one becomes "?".
            std::string forged = whole;
            std::size_t user = forged.find(">20251</EventID>");
            for (int i = 0; i < 3; ++i)
                user = forged.find("<Data>", user) + 6;
            forged.insert(user, "a&#13;&#10;");
            const auto stores = std::make_unique<Stores>();
            EXPECT_EQ(ScanOne(dir, forged, "20251", stores.get()).Connections, 40);
            bool found = false;
            for (int i = 0; i < stores->Names.Count(); ++i)
                found = found || stores->Names[i].Name.starts_with("a??");
            EXPECT_TRUE(found);
        }
        if (nps) {
            // Garbage between records changes nothing.
            std::string garbage = whole;
            for (std::size_t b = garbage.find('\n'); b != std::string::npos; b = garbage.find('\n', b + 40))
                garbage.insert(b + 1, "\"junk\",<Event>,0x1,\x01 40,2\r\n");
            EXPECT_EQ(ScanOne(dir, garbage, "20251").Connections, 40);
        }
        if (form == F::Detail) {
            // Garbage between records changes nothing; a Stop whose header
            // line is lost, or whose session time is no number, is counted.
            std::string garbage = whole;
            for (std::size_t b = garbage.find("\n\n"); b != std::string::npos; b = garbage.find("\n\n", b + 12))
                garbage.insert(b + 2, "-- junk --\n");
            EXPECT_EQ(ScanOne(dir, garbage, "20251").Connections, 40);
            const std::size_t stop = whole.find("\tAcct-Status-Type = Stop\n");
            const std::size_t header = whole.rfind("\n\n", stop) + 2;
            std::string headless = whole;
            const FileSummary lost = ScanOne(dir, headless.erase(header, whole.find('\n', header) + 1 - header), "20251");
            EXPECT_EQ(lost.Connections + lost.Unread, 40);
            EXPECT_EQ(lost.FirstUnread, std::count(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(header), '\n') + 1);
            std::string word = whole;
            EXPECT_EQ(ScanOne(dir, word.insert(whole.find("\n", whole.find("Acct-Session-Time = ", stop)), "s"), "20251").Unread, 1);
        }
    }
    // A description that begins with a quote ("" at the start of its quoted
    // field), in both Event Viewer forms: kept or counted, never dropped.
    for (F form : {F::EventViewerCsv, F::EventViewerText}) {
        o.Form = form;
        const auto written = loggen::GenerateLogFolder(dir.path().toStdString(), o);
        std::string text = Slurp(dir.filePath(QString::fromStdString(written.Files[0])).toStdString());
        const std::string routing = "RoutingDomainID-";
        for (std::size_t at = text.find(routing); at != std::string::npos; at = text.find(routing, at + 3)) {
            if (text[at - 1] != '"')  // unquoted so far
                text.insert(text.find_first_of("\r\n", at), "\"").insert(at, "\"");
            text.insert(at, "\"\"");
        }
        const FileSummary quoted = ScanOne(dir, text, "20251");
        EXPECT_EQ(quoted.Connections + quoted.Unread, 40) << static_cast<int>(form);
    }
}

// What the generator does not write: a detail file whose Stops name no NAS
// (the folder's name is the server), byte counts at and past the 64-bit
// limit; a radacct copy of the stock table (no nasidentifier: the address
// is the server) with rows that cannot be read.
TEST(LogGenerator, AccountingFormsFallBackAndCountWhatTheGeneratorNeverWrites)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("NAS7");
    const auto scan = [&dir](const std::string& name, const std::string& bytes) {
        std::ofstream(dir.filePath("NAS7/" + QString::fromStdString(name)).toStdString(), std::ios::binary) << bytes;
        ScanSettings s;
        s.LogDir = dir.filePath("NAS7") + "/";
        s.FileFilter = QString::fromStdString(name);
        s.FinalDate = 1e6;
        const auto stores = std::make_unique<Stores>();
        const std::atomic<bool> stop{false};
        const ScanResult result = RunScan(s, *stores, stop, nullptr);
        return std::pair{RecordsByName(*stores, true, true), result.Files.at(0)};
    };
    const auto stop = [](const char* bytes) {
        return std::string("Wed Jan  7 10:00:00 1998\n\tUser-Name = \"Bob\"\n\tAcct-Status-Type = Stop\n"
                           "\tAcct-Session-Time = 60\n\tAcct-Output-Gigawords = 2147483647\n\tAcct-Output-Octets = ") +
               bytes + "\n\tTimestamp = 884167200\n\n";
    };
    const auto [detail, detailFile] = scan("detail-19980107", stop("4294967295") + stop("4294967296"));
    const double start = *EncodeDate(1998, 1, 7) + *EncodeTime(9, 59, 0);
    EXPECT_EQ(detail, (std::vector<std::string>{std::to_string(start) + "|60|9223372036854775807|0|Local|bob|NAS7||0"}));
    EXPECT_EQ(detailFile.Unread, 1);
    EXPECT_EQ(detailFile.FirstUnread, 9);
    const auto [radacct, radacctFile] =
        scan("radacct.csv",
             "radacctid,acctsessionid,acctuniqueid,username,realm,nasipaddress,nasportid,nasporttype,acctstarttime,"
             "acctupdatetime,acctstoptime,acctinterval,acctsessiontime,acctauthentic,connectinfo_start,connectinfo_stop,"
             "acctinputoctets,acctoutputoctets\n"
             "1,a,u1,SALES\\Ann,,10.0.0.9,COM1,Async,1998-01-07 10:00:30+01,,1998-01-07 10:01:30+01,,60,RADIUS,"
             "Ethernet,CONNECT 0,5,7\n"
             "2,b,u2,bob,,10.0.0.9,COM2,Async,,,1998-01-07 10:01:30+01,,60,RADIUS,,,5,7\n"
             "3,c,u3,bob,,10.0.0.9,COM2,Async,1998-01-07 10:00:30,,1998-01-07 10:01:30,,6.5,RADIUS,,,5,7\n"
             "4,d,u4,bob,,10.0.0.9,COM2,Async,1998-01-07 10:00:30,,,,,RADIUS,,,,\n");
    EXPECT_EQ(radacct, (std::vector<std::string>{std::to_string(*EncodeDate(1998, 1, 7) + *EncodeTime(10, 0, 0)) +
                                                 "|60|7|5|SALES|ann|10.0.0.9|COM1|0"}));
    EXPECT_EQ(radacctFile.Unread, 2);
    EXPECT_EQ(radacctFile.FirstUnread, 3);
}

}  // namespace
}  // namespace vy
