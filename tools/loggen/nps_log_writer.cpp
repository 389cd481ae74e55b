// NPS / RRAS accounting logs (IN*.log) in their three forms: "DTS
// Compliant" XML, one <Event> a line; "database-compatible" comma lines of
// 66 fields; the IAS format, six header fields and attribute-id,value pairs
// with 0x hex for a value holding a comma or an unprintable byte. The server
// is the NAS-Identifier, the port the NAS-Port-Id, with NAS-Port beside it
// (NasPortNumber: the port of the database-compatible form, which has no
// NAS-Port-Id); gigawords in the two forms that have them.

#include <array>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "loggen/accounting_folder_writer.h"
#include "loggen/nps_log_writer.h"
#include "store/date_value.h"

namespace vy::loggen {

namespace {

enum class NpsForm { Dts, Odbc, Ias };

// A RADIUS attribute as the three forms name it: its name (DTS), number
// (IAS), field of the database-compatible line (0: none), and kind: 'i'
// integer, 's' text, 'a' address.
struct Attribute {
    std::string_view Name;
    int Id;
    int Field;
    char Kind;
};

constexpr Attribute kUserName{"User-Name", 1, 6, 's'};
constexpr Attribute kNasIpAddress{"NAS-IP-Address", 4, 13, 'a'};
constexpr Attribute kNasPort{"NAS-Port", 5, 14, 'i'};
constexpr Attribute kFramedIpAddress{"Framed-IP-Address", 8, 11, 'a'};
constexpr Attribute kCallingStationId{"Calling-Station-Id", 31, 9, 's'};
constexpr Attribute kNasIdentifier{"NAS-Identifier", 32, 12, 's'};
constexpr Attribute kStatusType{"Acct-Status-Type", 40, 32, 'i'};
constexpr Attribute kDelayTime{"Acct-Delay-Time", 41, 33, 'i'};
constexpr Attribute kInputOctets{"Acct-Input-Octets", 42, 34, 'i'};
constexpr Attribute kOutputOctets{"Acct-Output-Octets", 43, 35, 'i'};
constexpr Attribute kSessionId{"Acct-Session-Id", 44, 36, 's'};
constexpr Attribute kSessionTime{"Acct-Session-Time", 46, 38, 'i'};
constexpr Attribute kTerminateCause{"Acct-Terminate-Cause", 49, 41, 'i'};
constexpr Attribute kInputGigawords{"Acct-Input-Gigawords", 52, 0, 'i'};
constexpr Attribute kOutputGigawords{"Acct-Output-Gigawords", 53, 0, 'i'};
constexpr Attribute kNasPortType{"NAS-Port-Type", 61, 20, 'i'};
constexpr Attribute kConnectInfo{"Connect-Info", 77, 21, 's'};
constexpr Attribute kNasPortId{"NAS-Port-Id", 87, 0, 's'};
constexpr Attribute kClientIpAddress{"Client-IP-Address", 4108, 16, 'a'};
constexpr Attribute kClientFriendlyName{"Client-Friendly-Name", 4128, 17, 's'};
constexpr Attribute kPacketType{"Packet-Type", 4136, 5, 'i'};
constexpr Attribute kReasonCode{"Reason-Code", 4142, 26, 'i'};

constexpr int kOdbcFields = 66;
constexpr std::string_view kComputer = "NPS1";
constexpr std::int64_t kGigaword = std::int64_t{1} << 32;

enum Packet { AccessRequest = 1, AccessAccept = 2, AccessReject = 3, AccountingRequest = 4 };
enum Status { Start = 1, StopStatus = 2, Interim = 3, AccountingOn = 7, AccountingOff = 8 };

void Append2(std::string& out, int v)
{
    out.push_back(static_cast<char>('0' + v / 10 % 10));
    out.push_back(static_cast<char>('0' + v % 10));
}

// "MM/DD/YYYY" and "HH:MM:SS".
std::string DateOf(std::int64_t second)
{
    const CivilDate d = DecodeDate(static_cast<double>(second / 86400));
    std::string out;
    Append2(out, d.Month);
    out.push_back('/');
    Append2(out, d.Day);
    out.push_back('/');
    out.append(std::to_string(d.Year));
    return out;
}

std::string TimeOf(std::int64_t second)
{
    const int sod = static_cast<int>(second % 86400);
    std::string out;
    Append2(out, sod / 3600);
    out.push_back(':');
    Append2(out, sod / 60 % 60);
    out.push_back(':');
    Append2(out, sod % 60);
    return out;
}

// One record: its time, the attributes in the order written, and how some
// of them are written (to have the readers meet every way).
struct Record {
    std::int64_t Second = 0;
    int Millis = 0;
    std::vector<std::pair<const Attribute*, std::string>> Values;
    bool UserAsCode = false;  // DTS: the user's first letter as a character reference; IAS: the user in hex
    bool QuotedNumbers = false;  // database-compatible: numbers in quotes
    void Add(const Attribute& a, std::string value) { Values.emplace_back(&a, std::move(value)); }
    void Add(const Attribute& a, std::int64_t value) { Add(a, std::to_string(value)); }
    std::string_view Value(const Attribute& a) const
    {
        for (const auto& [attribute, value] : Values)
            if (attribute == &a)
                return value;
        return {};
    }
};

class NpsWriter : public AccountingFolderWriter {
public:
    NpsWriter(const std::filesystem::path& folder, const GeneratorOptions& options, GeneratedFolder& summary, NpsForm form)
        : AccountingFolderWriter(folder, options, summary), form_(form)
    {
    }

protected:
    // IN and the day, as NPS names its daily logs; a second file of the
    // same day as NPS names a log that went over its size.
    std::string FileName(int index, std::int64_t firstSecond) override
    {
        (void)index;
        const CivilDate d = DecodeDate(static_cast<double>(firstSecond / 86400));
        char name[40];
        std::snprintf(name, sizeof name, "IN%02d%02d%02d", d.Year % 100, d.Month, d.Day);
        const int same = name == lastName_ ? ++sameDay_ : (sameDay_ = 0);
        lastName_ = name;
        return same == 0 ? lastName_ + ".log" : lastName_ + "_" + std::to_string(same) + ".log";
    }

    void Session(const Connection& c, const AccountingSession& s, bool copy, std::string& out) override
    {
        if (copy) {
            // The NAS had no answer and sends the Stop again, later.
            const int extra = 1 + static_cast<int>(Mix(s.Draw + ++resent_) % 30);
            Write(Stop(c, s, s.Delay + extra), out);
            return;
        }
        Record start = Common(c, s, s.StartSecond);
        start.Add(kStatusType, Start);
        start.Add(kSessionId, s.SessionId);
        start.Add(kPacketType, AccountingRequest);
        Write(start, out);
        if (c.ActiveSeconds > 1200 && (s.Draw & 3) == 0) {
            Record interim = Common(c, s, s.StartSecond + c.ActiveSeconds / 2);
            interim.Add(kStatusType, Interim);
            interim.Add(kSessionTime, c.ActiveSeconds / 2);
            interim.Add(kInputOctets, c.BytesReceived / 2 % kGigaword);
            interim.Add(kOutputOctets, c.BytesSent / 2 % kGigaword);
            interim.Add(kSessionId, s.SessionId);
            interim.Add(kPacketType, AccountingRequest);
            Write(interim, out);
        }
        Write(Stop(c, s, s.Delay), out);
    }

    void Other(std::uint64_t draw, std::int64_t second, std::string& out) override
    {
        Record r;
        r.Second = second;
        r.Millis = static_cast<int>(draw % 1000);
        const std::string user = "guest" + std::to_string(draw % 50);
        const std::string nas = "GW" + std::to_string(draw >> 8 & 3);
        const std::string address = "192.0.2." + std::to_string((draw >> 8 & 3) + 200);
        switch (draw >> 12 & 7) {
        case 0:
        case 1:
            r.Add(kUserName, user);
            r.Add(kNasIpAddress, address);
            r.Add(kNasIdentifier, nas);
            r.Add(kCallingStationId, "203.0.113." + std::to_string(draw >> 16 & 127));
            r.Add(kClientIpAddress, address);
            r.Add(kClientFriendlyName, nas);
            r.Add(kPacketType, AccessRequest);
            r.Add(kReasonCode, 0);
            break;
        case 2:
            r.Add(kUserName, user);
            r.Add(kPacketType, AccessAccept);
            r.Add(kReasonCode, 0);
            break;
        case 3:
            r.Add(kUserName, user);
            r.Add(kPacketType, AccessReject);
            r.Add(kReasonCode, 16);
            break;
        case 4:
            r.Add(kNasIpAddress, address);
            r.Add(kNasIdentifier, nas);
            r.Add(kStatusType, (draw & 1) != 0 ? AccountingOn : AccountingOff);
            r.Add(kPacketType, AccountingRequest);
            break;
        default:
            r.Add(kUserName, user);
            r.Add(kNasIdentifier, nas);
            r.Add(kStatusType, Interim);
            r.Add(kSessionTime, static_cast<std::int64_t>(draw >> 16 & 4095));
            r.Add(kInputOctets, static_cast<std::int64_t>(draw >> 28 & 65535));
            r.Add(kOutputOctets, static_cast<std::int64_t>(draw >> 44 & 65535));
            r.Add(kPacketType, AccountingRequest);
            break;
        }
        Write(r, out);
    }

private:
    // The attributes of every record of the session.
    static Record Common(const Connection& c, const AccountingSession& s, std::int64_t second)
    {
        Record r;
        r.Second = second;
        r.Millis = static_cast<int>(Mix(s.Draw ^ static_cast<std::uint64_t>(second)) % 1000);
        r.Add(kUserName, s.UserName);
        r.Add(kNasIpAddress, s.NasAddress);
        r.Add(kNasIdentifier, c.Server);
        r.Add(kNasPort, NasPortNumber(c.Port));
        r.Add(kNasPortId, c.Port);
        return r;
    }

    Record Stop(const Connection& c, const AccountingSession& s, int delay) const
    {
        Record r = Common(c, s, s.StopSecond + delay);
        r.UserAsCode = (s.Draw >> 32 & 7) == 0;
        r.QuotedNumbers = (s.Draw >> 35 & 7) == 0;
        r.Add(kNasPortType, 5);
        r.Add(kFramedIpAddress, "192.168.7." + std::to_string(s.Draw % 250 + 1));
        r.Add(kConnectInfo, s.ConnectInfo);
        r.Add(kStatusType, StopStatus);
        if (delay > 0)
            r.Add(kDelayTime, delay);
        r.Add(kInputOctets, c.BytesReceived % kGigaword);
        r.Add(kOutputOctets, c.BytesSent % kGigaword);
        // The database-compatible form has no gigawords: the connections'
        // byte counts stay below 4 GiB.
        if (form_ != NpsForm::Odbc && (c.BytesReceived >= kGigaword || c.BytesSent >= kGigaword || (s.Draw >> 40 & 3) == 0)) {
            r.Add(kInputGigawords, c.BytesReceived / kGigaword);
            r.Add(kOutputGigawords, c.BytesSent / kGigaword);
        }
        r.Add(kSessionId, s.SessionId);
        r.Add(kSessionTime, c.ActiveSeconds);
        r.Add(kTerminateCause, 1);
        r.Add(kPacketType, AccountingRequest);
        return r;
    }

    void Write(const Record& r, std::string& out) const;

    NpsForm form_;
    std::string lastName_;
    int sameDay_ = 0;
    std::uint64_t resent_ = 0;
};

void NpsWriter::Write(const Record& r, std::string& out) const
{
    std::string text;
    const std::string date = DateOf(r.Second);
    const std::string time = TimeOf(r.Second);
    switch (form_) {
    case NpsForm::Dts: {
        char millis[8];
        std::snprintf(millis, sizeof millis, ".%03d", r.Millis);
        text += "<Event><Timestamp data_type=\"4\">" + date + " " + time + millis +
                 "</Timestamp><Computer-Name data_type=\"1\">" + std::string(kComputer) +
                 "</Computer-Name><Event-Source data_type=\"1\">IAS</Event-Source>";
        for (const auto& [a, value] : r.Values) {
            text += "<" + std::string(a->Name) + " data_type=\"" + (a->Kind == 'i' ? "0" : a->Kind == 's' ? "1" : "3") + "\">";
            for (std::size_t i = 0; i < value.size(); ++i) {
                const char ch = value[i];
                if (i == 0 && r.UserAsCode && a == &kUserName)
                    text += "&#" + std::to_string(static_cast<unsigned char>(ch)) + ";";
                else if (ch == '&')
                    text += "&amp;";
                else if (ch == '<')
                    text += "&lt;";
                else if (ch == '>')
                    text += "&gt;";
                else
                    text.push_back(ch);
            }
            text += "</" + std::string(a->Name) + ">";
        }
        text += "</Event>";
        break;
    }
    case NpsForm::Odbc: {
        std::array<std::string, kOdbcFields + 1> fields;
        fields[1] = "\"" + std::string(kComputer) + "\"";
        fields[2] = "\"IAS\"";
        fields[3] = date;
        fields[4] = time;
        for (const auto& [a, value] : r.Values) {
            if (a->Field == 0)
                continue;
            std::string& field = fields[static_cast<std::size_t>(a->Field)];
            if (a->Kind == 'i' && !r.QuotedNumbers) {
                field = value;
                continue;
            }
            field = "\"";
            for (const char ch : value)
                field += ch == '"' ? std::string("\"\"") : std::string(1, ch);
            field += "\"";
        }
        for (std::size_t i = 1; i < fields.size(); ++i)
            text += (i > 1 ? "," : "") + fields[i];
        break;
    }
    case NpsForm::Ias: {
        // A value holding the separator or an unprintable byte goes in hex.
        const auto field = [&text](std::string_view value, bool hex) {
            for (const char ch : value)
                hex = hex || ch == ',' || static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) >= 0x7F;
            if (!hex) {
                text.append(value);
                return;
            }
            text += "0x";
            for (const char ch : value) {
                char two[3];
                std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(ch));
                text += two;
            }
        };
        const std::string_view nas = r.Value(kNasIpAddress);
        text.append(nas.empty() ? "0.0.0.0" : nas);
        text += ",";
        field(r.Value(kUserName), r.UserAsCode);
        text += "," + date + "," + time + ",IAS," + std::string(kComputer);
        for (const auto& [a, value] : r.Values) {
            text += "," + std::to_string(a->Id) + ",";
            field(value, r.UserAsCode && a == &kUserName);
        }
        break;
    }
    }
    out += text;
    out += "\r\n";
}

}  // namespace

std::unique_ptr<AccountingFolderWriter> MakeNpsWriter(const std::filesystem::path& folder,
                                                      const GeneratorOptions& options, GeneratedFolder& summary)
{
    switch (options.Form) {
    case MessageForm::NpsDts: return std::make_unique<NpsWriter>(folder, options, summary, NpsForm::Dts);
    case MessageForm::NpsOdbc: return std::make_unique<NpsWriter>(folder, options, summary, NpsForm::Odbc);
    case MessageForm::NpsIas: return std::make_unique<NpsWriter>(folder, options, summary, NpsForm::Ias);
    default: return nullptr;
    }
}

std::string NasPortNumber(std::string_view port)
{
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : port)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return std::to_string(hash);
}

}  // namespace vy::loggen
