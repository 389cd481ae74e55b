// A real FreeRADIUS on the loopback writes the detail file that Vy reads:
// the reader is proven on what the server writes, not on our generator.
// The set-up installs freeradius and freeradius-utils; without them this
// test fails.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUdpSocket>

#include "scan/scan_run.h"
#include "store/date_value.h"
#include "store/stores.h"

namespace vy {
namespace {

QString Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

void Write(const QString& path, const QString& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(text.toLatin1());
}

// text without its listen { ... } sections (braces counted outside comments).
QString WithoutListeners(const QString& text)
{
    QString out;
    const QRegularExpression listen(QStringLiteral("^\\s*listen\\s*\\{"), QRegularExpression::MultilineOption);
    qsizetype at = 0;
    for (auto m = listen.match(text, at); m.hasMatch(); m = listen.match(text, at)) {
        out += text.mid(at, m.capturedStart() - at);
        qsizetype i = m.capturedEnd();
        for (int depth = 1; depth > 0 && i < text.size(); ++i) {
            if (text[i] == '#')
                i = text.indexOf('\n', i);
            if (i < 0)
                i = text.size();
            else if (text[i] == '{')
                ++depth;
            else if (text[i] == '}')
                --depth;
        }
        at = i;
    }
    return out + text.mid(at);
}

// A UDP port on 127.0.0.1 that no one holds now.
quint16 FreePort()
{
    QUdpSocket socket;
    return socket.bind(QHostAddress::LocalHost, 0) ? socket.localPort() : 0;
}

// A copy of the packaged configuration under root, its logs, run files and
// listeners moved there; the auth and accounting ports.
void PrepareServer(const QDir& root, quint16 auth, quint16 acct)
{
    const std::filesystem::path packaged = "/etc/freeradius/3.0";
    ASSERT_TRUE(std::filesystem::exists(packaged / "radiusd.conf"))
        << "FreeRADIUS is missing: apt-get install freeradius freeradius-utils (scripts/common.sh installs them)";
    const QString raddb = root.filePath("raddb");
    std::filesystem::copy(packaged, raddb.toStdString(), std::filesystem::copy_options::recursive);
    QString conf = Read(raddb + "/radiusd.conf");
    const auto set = [&conf](const QString& name, const QString& value) {
        conf.replace(QRegularExpression("^(\\s*)" + name + "\\s*=.*$", QRegularExpression::MultilineOption),
                     "\\1" + name + " = " + value);
    };
    set("raddbdir", raddb);
    set("logdir", root.filePath("log"));
    set("run_dir", root.filePath("run"));
    set("proxy_requests", "no");
    // The server stays the user that runs the test.
    conf.replace(QRegularExpression("^(\\s*)(user|group)\\s*=", QRegularExpression::MultilineOption), "#\\1\\2 =");
    Write(raddb + "/radiusd.conf", conf);
    root.mkpath("log");
    root.mkpath("run");
    for (const QString& site : QDir(raddb + "/sites-enabled").entryList(QDir::Files)) {
        QString text = WithoutListeners(Read(raddb + "/sites-enabled/" + site));
        if (site == "default")
            text.replace(QRegularExpression("^server default \\{", QRegularExpression::MultilineOption),
                         QString("server default {\nlisten {\n\ttype = auth\n\tipaddr = 127.0.0.1\n\tport = %1\n}\n"
                                 "listen {\n\ttype = acct\n\tipaddr = 127.0.0.1\n\tport = %2\n}\n")
                             .arg(auth)
                             .arg(acct));
        Write(raddb + "/sites-enabled/" + site, text);
    }
}

QString Program(const QString& name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return !found.isEmpty() ? found : QStandardPaths::findExecutable(name, {"/usr/sbin", "/usr/local/sbin"});
}

// What each session sends: its Stop's attributes, and what Vy must read from
// them (domain|user|server|port|speed|seconds|sent|received); the record's
// time comes from the header the server wrote. Latin-1 bytes stand for
// the characters the stores show.
struct Sent {
    QString Stop;
    std::string Expected;
    int Delay = 0;
    int Seconds = 0;
};

const std::vector<Sent> kSessions = {
    {"User-Name = \"CORP\\\\Bob\", NAS-Identifier = \"RAS1\", NAS-Port-Id = \"VPN1-0\", NAS-Port = 7, "
     "Connect-Info = \"CONNECT 57600\", Acct-Input-Octets = 4294967295, Acct-Input-Gigawords = 2, "
     "Acct-Output-Octets = 5, Acct-Output-Gigawords = 1, Tunnel-Type = PPTP, Class = 0x0102ff",
     "CORP|bob|RAS1|VPN1-0|57600|3725|4294967301|12884901887", 12, 3725},
    {"User-Name = \"alice@SALES\", NAS-IP-Address = 10.0.0.5, NAS-Port = 3, "
     "Connect-Info = \"0057600/28800 V42BIS\", Acct-Input-Octets = 100, Acct-Output-Octets = 200",
     "SALES|alice|10.0.0.5|3|57600|60|200|100", 0, 60},
    {"User-Name = \"j\\303\\251r\\001me\", NAS-Identifier = \"GATE\", NAS-Port-Id = \"COM\\t1\"",
     "Local|j\xE9r?me|GATE|COM?1|0|1|0|0", 3, 1},
    {"User-Name = \"LAB\\\\W\\351ird \\\"q\\\"\", NAS-Identifier = \"Gate \\\\ 2\", NAS-Port = 9, "
     "Connect-Info = \"IKEv2\", Acct-Output-Octets = 7",
     "LAB|w\xE9ird \"q\"|Gate \\ 2|9|0|86399|7|0", 86000, 86399},
    {"User-Name = \"\\303\\234mit@\\303\\234\", Connect-Info = \"connect 54.00 Mbps\"",
     "\xDC|\xDCmit|127.0.0.1||54|0|0|0", 0, 0},
};

TEST(FreeRadiusDetail, TheDetailFileTheServerWroteReadsToExactlyTheValuesSent)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QDir root(tmp.path());
    const quint16 auth = FreePort(), acct = FreePort();
    ASSERT_TRUE(auth != 0 && acct != 0 && auth != acct);
    PrepareServer(root, auth, acct);
    if (HasFatalFailure())
        return;
    const QString server = Program("freeradius"), client = Program("radclient");
    ASSERT_FALSE(server.isEmpty() || client.isEmpty()) << "apt-get install freeradius freeradius-utils";

    // Each session's Start, Interim-Update and Stop; a Stop without a user
    // name, which can only be counted.
    QString requests;
    for (std::size_t i = 0; i < kSessions.size(); ++i) {
        const Sent& s = kSessions[i];
        const QString id = QString("Acct-Session-Id = \"s%1\", ").arg(i);
        requests += id + "User-Name = \"x\", Acct-Status-Type = Start\n\n";
        requests += id + "User-Name = \"x\", Acct-Status-Type = Interim-Update, Acct-Session-Time = 1\n\n";
        requests += id + s.Stop + QString(", Acct-Status-Type = Stop, Acct-Session-Time = %1, Acct-Delay-Time = %2\n\n")
                                      .arg(s.Seconds)
                                      .arg(s.Delay);
    }
    requests += "Acct-Session-Id = \"nouser\", Acct-Status-Type = Stop, Acct-Session-Time = 5\n\n";
    Write(root.filePath("requests"), requests);

    QProcess radiusd;
    radiusd.setProcessChannelMode(QProcess::MergedChannels);
    radiusd.start(server, {"-f", "-l", "stdout", "-d", root.filePath("raddb")});
    QByteArray log;
    for (int waited = 0; !log.contains("Ready to process requests") && waited < 40; ++waited)
        if (radiusd.waitForReadyRead(500))
            log += radiusd.readAll();
        else if (radiusd.state() == QProcess::NotRunning)
            break;
    ASSERT_TRUE(log.contains("Ready to process requests")) << log.toStdString();

    QProcess radclient;
    radclient.setProcessChannelMode(QProcess::MergedChannels);
    radclient.start(client, {"-f", root.filePath("requests"), "-p", "1", "-r", "1", "-t", "5",
                             QString("127.0.0.1:%1").arg(acct), "acct", "testing123"});
    const bool answered = radclient.waitForFinished(60000) && radclient.exitCode() == 0;
    radiusd.terminate();  // by its process ID
    if (!radiusd.waitForFinished(10000))
        radiusd.kill();
    radiusd.waitForFinished(5000);
    ASSERT_TRUE(answered) << radclient.readAll().toStdString();

    const QDir written(root.filePath("log/radacct/127.0.0.1"));
    const QStringList files = written.entryList({"detail-*"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    // The expected records, each with the connect time from the header the
    // server wrote above its Stop; where the Stop without a user stands.
    std::multiset<std::string> expected;
    std::int64_t nouserLine = 0;
    for (const QString& file : files) {
        const QString text = Read(written.filePath(file));
        qsizetype at = 0;
        for (const QString& record : text.split("\n\n")) {
            const qsizetype line = text.left(at).count('\n') + 1;
            at += record.size() + 2;
            if (!record.contains("\tAcct-Status-Type = Stop\n"))
                continue;
            if (record.contains("\"nouser\"")) {
                nouserLine = line;
                continue;
            }
            const QRegularExpressionMatch id = QRegularExpression("Acct-Session-Id = \"s(\\d+)\"").match(record);
            ASSERT_TRUE(id.hasMatch()) << record.toStdString();
            const Sent& s = kSessions[id.captured(1).toUInt()];
            const QDateTime local =
                QLocale::c().toDateTime(record.section('\n', 0, 0).simplified(), "ddd MMM d hh:mm:ss yyyy");
            ASSERT_TRUE(local.isValid()) << record.toStdString();
            // The clock as written, whatever the zone.
            const QDateTime connect = QDateTime(local.date(), local.time(), Qt::UTC).addSecs(-s.Delay - s.Seconds);
            const double when = *EncodeDate(connect.date().year(), connect.date().month(), connect.date().day()) +
                                *EncodeTime(connect.time().hour(), connect.time().minute(), 0);
            expected.insert(std::to_string(when) + "|" + s.Expected);
        }
    }
    ASSERT_EQ(expected.size(), kSessions.size());

    ScanSettings settings;
    settings.LogDir = written.path();
    settings.FileFilter = "detail-*";
    settings.InitialDate = 1;
    settings.FinalDate = 2958465;
    const auto stores = std::make_unique<Stores>();
    const std::atomic<bool> stop{false};
    const ScanResult result = RunScan(settings, *stores, stop, nullptr);
    std::multiset<std::string> read;
    for (const ConnectionRecord& r : stores->Connections) {
        const InfoRec& user = stores->Names[r.UserIndex];
        const InfoRec& speed = stores->Names[r.SpeedIndex];
        const InfoRec& port = stores->Names[speed.Parent];
        read.insert(std::to_string(r.DateTime) + "|" + stores->Names[user.Parent].Name + "|" + user.Name + "|" +
                    stores->Names[port.Parent].Name + "|" + port.Name + "|" + speed.Name + "|" +
                    std::to_string(r.ActiveTime) + "|" + std::to_string(r.BytesSent) + "|" +
                    std::to_string(r.BytesReceived));
    }
    EXPECT_EQ(read, expected);
    ASSERT_EQ(result.Files.size(), 1u);
    EXPECT_EQ(result.Files[0].Unread, 1);
    EXPECT_EQ(result.Files[0].FirstUnread, nouserLine);
}

}  // namespace
}  // namespace vy
