#include "loggen/nps_log_writer.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "store/date_value.h"

namespace vy::loggen {

namespace {

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

// The address a server is known by, beside its name.
std::string AddressOf(std::string_view server)
{
    unsigned hash = 0;
    for (const char c : server)
        hash = hash * 31 + static_cast<unsigned char>(c);
    return "10." + std::to_string(hash % 250 + 1) + "." + std::to_string(hash / 250 % 250 + 1) + ".1";
}

std::string UserNameOf(const Connection& c, bool realm)
{
    if (c.Domain.empty())
        return c.User;
    return realm ? c.User + "@" + c.Domain : c.Domain + "\\" + c.User;
}

}  // namespace

std::optional<NpsForm> NpsFormOf(MessageForm form)
{
    switch (form) {
    case MessageForm::NpsDts: return NpsForm::Dts;
    case MessageForm::NpsOdbc: return NpsForm::Odbc;
    case MessageForm::NpsIas: return NpsForm::Ias;
    default: return std::nullopt;
    }
}

std::string NasPortNumber(std::string_view port)
{
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : port)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return std::to_string(hash);
}

// One record: its time, the attributes in the order written, and how some
// of them are written (to have the readers meet every way).
struct NpsFolderWriter::Record {
    std::int64_t Second = 0;
    int Millis = 0;
    std::vector<std::pair<const Attribute*, std::string>> Values;
    bool UserAsCode = false;  // DTS: the user's first letter as a character reference; IAS: the user in hex
    bool QuotedNumbers = false;  // database-compatible: numbers in quotes
    void Add(const Attribute& a, std::string value) { Values.emplace_back(&a, std::move(value)); }
    void Add(const Attribute& a, std::int64_t value) { Add(a, std::to_string(value)); }
    void Replace(const Attribute& a, std::int64_t value)
    {
        for (auto& [attribute, text] : Values)
            if (attribute == &a)
                text = std::to_string(value);
    }
    std::string_view Value(const Attribute& a) const
    {
        for (const auto& [attribute, value] : Values)
            if (attribute == &a)
                return value;
        return {};
    }
};

NpsFolderWriter::~NpsFolderWriter() = default;

NpsFolderWriter::NpsFolderWriter(std::filesystem::path folder, NpsForm form, std::uint64_t seed,
                                 std::int64_t firstSecond, GeneratedFolder& summary)
    : folder_(std::move(folder)), form_(form), state_(seed ^ 0x4E505321ull), summary_(summary), lastSecond_(firstSecond)
{
}

std::uint64_t NpsFolderWriter::Draw(std::uint64_t below)
{
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return (z ^ (z >> 31)) % below;
}

void NpsFolderWriter::BeginFile(const std::string& name)
{
    Finish();
    std::string file = name;
    if (file.size() >= 4 && file.compare(file.size() - 4, 4, ".txt") == 0)
        file.replace(file.size() - 4, 4, ".log");
    path_ = (folder_ / file).string();
    out_.open(path_, std::ios::binary | std::ios::trunc);
    if (!out_)
        throw std::runtime_error("cannot create " + path_);
    summary_.Files.push_back(file);
}

void NpsFolderWriter::Finish()
{
    if (!out_.is_open())
        return;
    out_.close();
    if (!out_)
        throw std::runtime_error("cannot write " + path_);
}

void NpsFolderWriter::Line(const std::string& line, const Connection* c, bool copy)
{
    (void)line;
    if (c == nullptr) {
        ++summary_.OtherLines;
        // A record of no connection, of a user who comes and goes.
        Record r;
        r.Second = lastSecond_ + static_cast<std::int64_t>(Draw(30));
        r.Millis = static_cast<int>(Draw(1000));
        const std::string user = "guest" + std::to_string(Draw(50));
        const std::string nas = "GW" + std::to_string(Draw(4));
        switch (Draw(6)) {
        case 0:
        case 1:
            r.Add(kUserName, user);
            r.Add(kNasIpAddress, AddressOf(nas));
            r.Add(kNasIdentifier, nas);
            r.Add(kCallingStationId, "203.0.113." + std::to_string(Draw(250)));
            r.Add(kClientIpAddress, AddressOf(nas));
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
            r.Add(kNasIpAddress, AddressOf(nas));
            r.Add(kNasIdentifier, nas);
            r.Add(kStatusType, Draw(2) == 0 ? AccountingOn : AccountingOff);
            r.Add(kPacketType, AccountingRequest);
            break;
        default:
            r.Add(kUserName, user);
            r.Add(kNasIdentifier, nas);
            r.Add(kStatusType, Interim);
            r.Add(kSessionTime, static_cast<std::int64_t>(Draw(7200)));
            r.Add(kInputOctets, static_cast<std::int64_t>(Draw(100000)));
            r.Add(kOutputOctets, static_cast<std::int64_t>(Draw(100000)));
            r.Add(kPacketType, AccountingRequest);
            break;
        }
        Write(r);
        return;
    }
    ++summary_.ConnectionLines;
    summary_.ActiveSeconds += c->ActiveSeconds;
    summary_.BytesSent += c->BytesSent;
    summary_.BytesReceived += c->BytesReceived;
    if (copy) {
        // Sent again: waited for longer, taken later.
        ++summary_.DuplicateLines;
        const int later = 1 + static_cast<int>(Draw(30));
        lastStop_->Second += later;
        if (lastStop_->Value(kDelayTime).empty())
            lastStop_->Add(kDelayTime, 0);
        lastStop_->Replace(kDelayTime, std::stoll(std::string(lastStop_->Value(kDelayTime))) + later);
        Write(*lastStop_);
        return;
    }
    ++session_;
    const std::int64_t start = std::llround(c->Start * 1440.0) * 60;
    Record r;
    r.Second = start;
    r.Millis = static_cast<int>(Draw(1000));
    r.Add(kUserName, UserNameOf(*c, false));
    r.Add(kNasIpAddress, AddressOf(c->Server));
    r.Add(kNasIdentifier, c->Server);
    r.Add(kNasPort, NasPortNumber(c->Port));
    r.Add(kNasPortId, c->Port);
    r.Add(kStatusType, Start);
    r.Add(kSessionId, std::to_string(session_));
    r.Add(kPacketType, AccountingRequest);
    Write(r);
    if (c->ActiveSeconds > 600 && Draw(3) == 0) {
        Record interim = r;
        interim.Second = start + c->ActiveSeconds / 2;
        interim.Replace(kStatusType, Interim);
        interim.Add(kSessionTime, c->ActiveSeconds / 2);
        interim.Add(kInputOctets, c->BytesReceived / 2);
        interim.Add(kOutputOctets, c->BytesSent / 2);
        Write(interim);
    }
    Stop(*c, Draw(4) == 0 ? 1 + static_cast<int>(Draw(9)) : 0);
}

void NpsFolderWriter::Stop(const Connection& c, int delay)
{
    lastStop_ = std::make_unique<Record>();
    Record& r = *lastStop_;
    r.Second = std::llround(c.Start * 1440.0) * 60 + c.ActiveSeconds + delay;
    r.Millis = static_cast<int>(Draw(1000));
    r.UserAsCode = Draw(5) == 0;
    r.QuotedNumbers = Draw(8) == 0;
    r.Add(kUserName, UserNameOf(c, Draw(3) == 0));
    r.Add(kNasIpAddress, AddressOf(c.Server));
    r.Add(kNasIdentifier, c.Server);
    r.Add(kNasPort, NasPortNumber(c.Port));
    r.Add(kNasPortId, c.Port);
    r.Add(kNasPortType, 5);
    r.Add(kFramedIpAddress, "192.168.7." + std::to_string(session_ % 250 + 1));
    switch (Draw(3)) {
    case 0: r.Add(kConnectInfo, "CONNECT " + c.Speed); break;
    case 1: r.Add(kConnectInfo, c.Speed + "/28800 V42BIS"); break;
    default: r.Add(kConnectInfo, c.Speed); break;
    }
    r.Add(kStatusType, StopStatus);
    if (delay > 0)
        r.Add(kDelayTime, delay);
    r.Add(kInputOctets, c.BytesReceived % kGigaword);
    r.Add(kOutputOctets, c.BytesSent % kGigaword);
    if (form_ != NpsForm::Odbc && (c.BytesReceived >= kGigaword || Draw(4) == 0)) {
        r.Add(kInputGigawords, c.BytesReceived / kGigaword);
        r.Add(kOutputGigawords, c.BytesSent / kGigaword);
    }
    r.Add(kSessionId, std::to_string(session_));
    r.Add(kSessionTime, c.ActiveSeconds);
    r.Add(kTerminateCause, 1);
    r.Add(kPacketType, AccountingRequest);
    Write(r);
}

void NpsFolderWriter::Write(const Record& r)
{
    lastSecond_ = r.Second;
    text_.clear();
    const std::string date = DateOf(r.Second);
    const std::string time = TimeOf(r.Second);
    switch (form_) {
    case NpsForm::Dts: {
        char millis[8];
        std::snprintf(millis, sizeof millis, ".%03d", r.Millis);
        text_ += "<Event><Timestamp data_type=\"4\">" + date + " " + time + millis +
                 "</Timestamp><Computer-Name data_type=\"1\">" + std::string(kComputer) +
                 "</Computer-Name><Event-Source data_type=\"1\">IAS</Event-Source>";
        for (const auto& [a, value] : r.Values) {
            text_ += "<" + std::string(a->Name) + " data_type=\"" + (a->Kind == 'i' ? "0" : a->Kind == 's' ? "1" : "3") + "\">";
            for (std::size_t i = 0; i < value.size(); ++i) {
                const char ch = value[i];
                if (i == 0 && r.UserAsCode && a == &kUserName)
                    text_ += "&#" + std::to_string(static_cast<unsigned char>(ch)) + ";";
                else if (ch == '&')
                    text_ += "&amp;";
                else if (ch == '<')
                    text_ += "&lt;";
                else if (ch == '>')
                    text_ += "&gt;";
                else
                    text_.push_back(ch);
            }
            text_ += "</" + std::string(a->Name) + ">";
        }
        text_ += "</Event>";
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
            text_ += (i > 1 ? "," : "") + fields[i];
        break;
    }
    case NpsForm::Ias: {
        // A value holding the separator or an unprintable byte goes in hex.
        const auto field = [this](std::string_view value, bool hex) {
            for (const char ch : value)
                hex = hex || ch == ',' || static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) >= 0x7F;
            if (!hex) {
                text_.append(value);
                return;
            }
            text_ += "0x";
            for (const char ch : value) {
                char two[3];
                std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(ch));
                text_ += two;
            }
        };
        const std::string_view nas = r.Value(kNasIpAddress);
        text_.append(nas.empty() ? "0.0.0.0" : nas);
        text_ += ",";
        field(r.Value(kUserName), r.UserAsCode);
        text_ += "," + date + "," + time + ",IAS," + std::string(kComputer);
        for (const auto& [a, value] : r.Values) {
            text_ += "," + std::to_string(a->Id) + ",";
            field(value, r.UserAsCode && a == &kUserName);
        }
        break;
    }
    }
    text_ += "\r\n";
    out_ << text_;
    summary_.TotalBytes += static_cast<std::int64_t>(text_.size());
}

}  // namespace vy::loggen
