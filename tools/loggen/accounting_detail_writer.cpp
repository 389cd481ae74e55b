// Detail files as FreeRADIUS's detail module writes them: a ctime header
// line per record (the server's clock on receipt), the attributes one a
// line after a tab, a blank line after each record; strings quoted with
// \\ \" \n \r \t escapes and any other control byte or byte that starts no
// valid UTF-8 as three octal digits; enumerated values by name; the
// default site's NAS-IP-Address and Event-Timestamp; Acct-Unique-Session-Id
// and Timestamp last. Records go into the file in the order the server
// would receive them.

#include <cstdint>
#include <cstdio>
#include <map>
#include <utility>

#include "loggen/accounting_folder_writer.h"
#include "store/date_value.h"

namespace vy::loggen {

namespace {

// The length of the valid UTF-8 sequence at p (n bytes left); 0 for none.
std::size_t Utf8Length(const unsigned char* p, std::size_t n)
{
    const unsigned char b = p[0];
    const std::size_t len = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (len == 0 || len > n)
        return 0;
    for (std::size_t i = 1; i < len; ++i)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    return len;
}

void AppendString(std::string& out, std::string_view text)
{
    out.push_back('"');
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = p[i];
        const std::size_t utf8 = b >= 0x80 ? Utf8Length(p + i, text.size() - i) : 0;
        if (utf8 > 0) {
            out.append(text.substr(i, utf8));
            i += utf8;
            continue;
        }
        switch (b) {
        case '\\': out.append("\\\\"); break;
        case '"': out.append("\\\""); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (b < 0x20 || b >= 0x80) {
                const char octal[] = {'\\', static_cast<char>('0' + (b >> 6)), static_cast<char>('0' + (b >> 3 & 7)),
                                      static_cast<char>('0' + (b & 7))};
                out.append(octal, 4);
            } else {
                out.push_back(static_cast<char>(b));
            }
        }
        ++i;
    }
    out.push_back('"');
}

class DetailRecord {
public:
    DetailRecord(std::string& out, std::int64_t second) : out_(out), second_(second)
    {
        out_.append(CtimeText(second));
        out_.push_back('\n');
    }
    DetailRecord& Text(std::string_view name, std::string_view value)
    {
        Name(name);
        AppendString(out_, value);
        out_.push_back('\n');
        return *this;
    }
    DetailRecord& Bare(std::string_view name, std::string_view value)
    {
        Name(name);
        out_.append(value);
        out_.push_back('\n');
        return *this;
    }
    DetailRecord& Number(std::string_view name, std::int64_t value) { return Bare(name, std::to_string(value)); }
    // What the default site and the module add, and the blank line.
    void End(const AccountingSession& s, std::int64_t eventSecond)
    {
        Bare("NAS-IP-Address", s.NasAddress);
        Text("Event-Timestamp", RadiusDateText(eventSecond));
        Text("Acct-Unique-Session-Id", s.UniqueId);
        Number("Timestamp", UnixSeconds(second_));
        out_.push_back('\n');
    }

private:
    void Name(std::string_view name)
    {
        out_.push_back('\t');
        out_.append(name);
        out_.append(" = ");
    }
    std::string& out_;
    std::int64_t second_;
};

class DetailWriter : public AccountingFolderWriter {
public:
    using AccountingFolderWriter::AccountingFolderWriter;

protected:
    std::string FileName(int index, std::int64_t firstSecond) override
    {
        const CivilDate d = DecodeDate(static_cast<double>(firstSecond / 86400));
        char name[40];
        std::snprintf(name, sizeof name, "detail-%04d%02d%02d", d.Year, d.Month, d.Day);
        // Files of the same day as rotated copies: detail-19981001.1
        const std::string base = name;
        const int same = base == lastName_ ? ++sameDay_ : (sameDay_ = 0);
        lastName_ = base;
        (void)index;
        return same == 0 ? base : base + "." + std::to_string(same);
    }

    void End(std::string& out) override { Flush(out, INT64_MAX); }

    void Session(const Connection& c, const AccountingSession& s, bool copy, std::string& out) override
    {
        if (copy) {
            // The NAS had no answer and sends the Stop again, later.
            const int extra = 5 + static_cast<int>(Mix(s.Draw + resent_++) % 60);
            Later(s.StopSecond + s.Delay + extra, [&](std::string& o, std::int64_t at) { Stop(o, at, c, s, s.Delay + extra); });
            return;
        }
        Flush(out, s.StartSecond);
        std::string start;
        DetailRecord r(start, s.StartSecond);
        Head(r, s, "Start");
        r.Text("Connect-Info", s.ConnectInfo);
        if (s.Draw & 64)
            r.Bare("Tunnel-Type:0", "PPTP").Bare("Tunnel-Medium-Type:0", "IPv4");
        r.Number("Acct-Delay-Time", 0);
        r.End(s, s.StartSecond);
        out.append(start);
        // Interim updates every ten minutes, at most two.
        for (std::int64_t at = s.StartSecond + 600, k = 0; at < s.StopSecond && k < 2; at += 600, ++k)
            Later(at, [&, at](std::string& o, std::int64_t) {
                DetailRecord i(o, at);
                Head(i, s, "Interim-Update");
                i.Number("Acct-Session-Time", at - s.StartSecond).Number("Acct-Input-Octets", c.BytesReceived / 3);
                i.Number("Acct-Output-Octets", c.BytesSent / 3);
                i.End(s, at);
            });
        Later(s.StopSecond + s.Delay, [&](std::string& o, std::int64_t at) { Stop(o, at, c, s, s.Delay); });
    }

    void Other(std::uint64_t draw, std::int64_t second, std::string& out) override
    {
        Flush(out, second);
        AccountingSession s;
        s.NasAddress = "192.0.2." + std::to_string(draw % 250 + 1);
        s.UniqueId = std::to_string(draw);
        DetailRecord r(out, second);
        switch (draw >> 8 & 7) {
        case 0:
        case 1:
            r.Bare("Packet-Type", "Access-Request").Text("User-Name", "guest" + std::to_string(draw % 40));
            r.Number("NAS-Port", static_cast<std::int64_t>(draw >> 12 & 255)).Text("Calling-Station-Id", "555-0199");
            r.Bare("NAS-IP-Address", s.NasAddress).Text("Event-Timestamp", RadiusDateText(second));
            r.Number("Timestamp", UnixSeconds(second));
            out.push_back('\n');
            return;
        case 2:
            r.Bare("Packet-Type", "Access-Accept").Bare("Service-Type", "Framed-User").Bare("Framed-Protocol", "PPP");
            r.Bare("Class", "0x" + std::to_string(draw % 1000000) + "ab").Number("Timestamp", UnixSeconds(second));
            out.push_back('\n');
            return;
        case 3:
            r.Bare("Packet-Type", "Access-Reject").Text("Reply-Message", "Bad\tpassword \"again\"\x01\xE9");
            r.Number("Timestamp", UnixSeconds(second));
            out.push_back('\n');
            return;
        case 4:
        case 5:
            r.Bare("Acct-Status-Type", (draw & 1) ? "Accounting-On" : "Accounting-Off");
            r.Text("NAS-Identifier", "RAS" + std::to_string(draw % 7)).Text("Acct-Session-Id", "00000000");
            r.Number("Acct-Delay-Time", 0).End(s, second);
            return;
        default: {
            // A session whose Stop never came.
            s.UserName = "CORP\\user" + std::to_string(draw % 50);
            s.SessionId = std::to_string(draw % 100000);
            Head(r, s, (draw & 1) ? "Start" : "Interim-Update");
            if ((draw & 1) == 0)
                r.Number("Acct-Session-Time", static_cast<std::int64_t>(draw % 5000));
            r.Text("Cisco-AVPair", "ip:addr-pool=\"dial\\in\"");
            r.End(s, second);
            return;
        }
        }
    }

private:
    // Every record due by second goes out, in the order of its time.
    void Flush(std::string& out, std::int64_t second)
    {
        while (!pending_.empty() && pending_.begin()->first.first <= second) {
            out.append(pending_.begin()->second);
            pending_.erase(pending_.begin());
        }
    }
    template <typename Write>
    void Later(std::int64_t second, Write write)
    {
        std::string text;
        write(text, second);
        pending_.emplace(std::pair{second, order_++}, std::move(text));
    }

    static void Head(DetailRecord& r, const AccountingSession& s, std::string_view status)
    {
        r.Text("Acct-Session-Id", s.SessionId).Text("User-Name", s.UserName).Bare("Acct-Status-Type", status);
    }

    void Stop(std::string& out, std::int64_t at, const Connection& c, const AccountingSession& s, int delay)
    {
        DetailRecord r(out, at);
        Head(r, s, "Stop");
        r.Text("NAS-Identifier", c.Server).Text("NAS-Port-Id", c.Port).Number("NAS-Port", s.NasPort);
        r.Bare("NAS-Port-Type", (s.Draw & 2) ? "Virtual" : "Async").Bare("Service-Type", "Framed-User");
        r.Bare("Framed-Protocol", "PPP").Text("Connect-Info", s.ConnectInfo);
        r.Number("Acct-Session-Time", c.ActiveSeconds).Number("Acct-Input-Octets", c.BytesReceived);
        r.Number("Acct-Output-Octets", c.BytesSent);
        if (s.Draw & 4)
            r.Number("Acct-Input-Gigawords", 0).Number("Acct-Output-Gigawords", 0);
        r.Bare("Acct-Terminate-Cause", "User-Request");
        if (s.Draw & 8)
            r.Bare("Class", "0x4d532d52415321");
        if (delay > 0 || (s.Draw & 16))
            r.Number("Acct-Delay-Time", delay);
        r.End(s, s.StopSecond);
    }

    std::map<std::pair<std::int64_t, std::uint64_t>, std::string> pending_;
    std::uint64_t order_ = 0;
    std::uint64_t resent_ = 0;
    std::string lastName_;
    int sameDay_ = 0;
};

}  // namespace

std::unique_ptr<AccountingFolderWriter> MakeDetailWriter(const std::filesystem::path& folder,
                                                         const GeneratorOptions& options, GeneratedFolder& summary)
{
    return std::make_unique<DetailWriter>(folder, options, summary);
}

}  // namespace vy::loggen
