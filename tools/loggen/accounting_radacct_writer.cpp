// A CSV copy of FreeRADIUS's SQL table radacct, as psql's
// "\copy radacct to f.csv csv header" writes it: the columns of the
// module's PostgreSQL schema in their order (and a nasidentifier column
// added at the end, as sites add it), NULL as an empty field, an empty
// text as "", quotes only where a value needs them; timestamps as
// "1998-10-05 09:30:17+00", with the offset of the database's zone and
// perhaps a fraction. One row per session in the order they started: a
// finished one has its stop time; a Stop sent again under another unique
// ID makes a second row.

#include <cstdint>
#include <cstdio>

#include "loggen/accounting_folder_writer.h"
#include "store/date_value.h"

namespace vy::loggen {

namespace {

constexpr const char* kHeader =
    "radacctid,acctsessionid,acctuniqueid,username,realm,nasipaddress,nasportid,nasporttype,acctstarttime,"
    "acctupdatetime,acctstoptime,acctinterval,acctsessiontime,acctauthentic,connectinfo_start,connectinfo_stop,"
    "acctinputoctets,acctoutputoctets,calledstationid,callingstationid,acctterminatecause,servicetype,"
    "framedprotocol,framedipaddress,framedipv6address,framedipv6prefix,framedinterfaceid,delegatedipv6prefix,class,"
    "nasidentifier\n";

// One CSV field and its comma; nullptr is NULL.
void Field(std::string& out, const char* text, bool last = false)
{
    if (text != nullptr) {
        const std::string_view v = text;
        if (v.empty() || v.find_first_of(",\"\r\n") != std::string_view::npos) {
            out.push_back('"');
            for (char ch : v) {
                if (ch == '"')
                    out.push_back('"');
                out.push_back(ch);
            }
            out.push_back('"');
        } else {
            out.append(v);
        }
    }
    out.push_back(last ? '\n' : ',');
}

void Field(std::string& out, const std::string& text, bool last = false) { Field(out, text.c_str(), last); }

std::string Timestamp(std::int64_t second, std::uint64_t draw)
{
    const CivilDate d = DecodeDate(static_cast<double>(second / 86400));
    const int sod = static_cast<int>(second % 86400);
    static constexpr const char* kOffsets[] = {"+00", "+00", "+01", "+02", "-05", "+05:30", "Z", "+00"};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d%s%s", d.Year, d.Month, d.Day, sod / 3600,
                  sod / 60 % 60, sod % 60, (draw & 8) ? ".25" : "", kOffsets[draw >> 4 & 7]);
    return text;
}

class RadacctWriter : public AccountingFolderWriter {
public:
    using AccountingFolderWriter::AccountingFolderWriter;

protected:
    std::string FileName(int index, std::int64_t) override
    {
        char name[32];
        std::snprintf(name, sizeof name, "radacct-%03d.csv", index + 1);
        return name;
    }
    void Begin(std::string& out) override { out.append(kHeader); }

    void Session(const Connection& c, const AccountingSession& s, bool copy, std::string& out) override
    {
        const std::uint64_t draw = copy ? Mix(s.Draw + ++resent_) : s.Draw;
        Row(out, s, draw);
        Field(out, c.Domain.empty() || s.UserName.find('@') == std::string::npos ? nullptr : c.Domain.c_str());
        Field(out, s.NasAddress);
        Field(out, c.Port);
        Field(out, (s.Draw & 2) ? "Virtual" : "Async");
        Field(out, Timestamp(s.StartSecond, draw));
        Field(out, Timestamp(s.StopSecond, draw));
        Field(out, Timestamp(s.StopSecond, draw));
        Field(out, nullptr);
        Field(out, std::to_string(c.ActiveSeconds));
        Field(out, "RADIUS");
        // The speed at the start, or only in the Stop's Connect-Info.
        switch (s.Draw >> 32 & 3) {
        case 0: Field(out, nullptr), Field(out, s.ConnectInfo); break;
        case 1: Field(out, "IKEv2"), Field(out, s.ConnectInfo); break;
        default: Field(out, s.ConnectInfo), Field(out, ""); break;
        }
        Field(out, std::to_string(c.BytesReceived));
        Field(out, std::to_string(c.BytesSent));
        Field(out, "5551234");
        Field(out, "555-0199, ext. \"9\"");
        Field(out, "User-Request");
        Tail(out, c.Server.c_str());
    }

    void Other(std::uint64_t draw, std::int64_t second, std::string& out) override
    {
        // A session still open: no stop time.
        AccountingSession s;
        s.SessionId = std::to_string(draw % 100000);
        s.UniqueId = std::to_string(draw);
        s.UserName = "CORP\\user" + std::to_string(draw % 50);
        Row(out, s, draw);
        Field(out, nullptr);
        Field(out, "192.0.2." + std::to_string(draw % 250 + 1));
        Field(out, "VPN1-" + std::to_string(draw % 9));
        Field(out, "Virtual");
        Field(out, Timestamp(second, draw));
        Field(out, (draw & 1) ? Timestamp(second + 600, draw).c_str() : nullptr);
        Field(out, nullptr);
        Field(out, "600");
        Field(out, (draw & 1) ? "600" : nullptr);
        Field(out, "RADIUS");
        Field(out, "CONNECT 115200");
        Field(out, nullptr);
        Field(out, (draw & 1) ? "1000" : nullptr);
        Field(out, (draw & 1) ? "2000" : nullptr);
        Field(out, "");
        Field(out, "");
        Field(out, "");
        Tail(out, nullptr);
    }

private:
    void Row(std::string& out, const AccountingSession& s, std::uint64_t draw)
    {
        Field(out, std::to_string(++rows_));
        Field(out, s.SessionId);
        char unique[40];
        std::snprintf(unique, sizeof unique, "%016llx%016llx", static_cast<unsigned long long>(Mix(draw)),
                      static_cast<unsigned long long>(Mix(draw + 3)));
        Field(out, unique);
        Field(out, s.UserName);
    }
    static void Tail(std::string& out, const char* nasIdentifier)
    {
        Field(out, "Framed-User");
        Field(out, "PPP");
        Field(out, "10.8.0.2");
        Field(out, nullptr);
        Field(out, nullptr);
        Field(out, nullptr);
        Field(out, nullptr);
        Field(out, nullptr);
        Field(out, nasIdentifier, true);
    }

    std::int64_t rows_ = 0;
    std::uint64_t resent_ = 0;
};

}  // namespace

std::unique_ptr<AccountingFolderWriter> MakeRadacctWriter(const std::filesystem::path& folder,
                                                          const GeneratorOptions& options, GeneratedFolder& summary)
{
    return std::make_unique<RadacctWriter>(folder, options, summary);
}

}  // namespace vy::loggen
