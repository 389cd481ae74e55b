#include "cli/records_output.h"

#include <string>
#include <vector>

#include "cli/terminal_text.h"
#include "export/data_text.h"

namespace vy::cli {

namespace {

// The output is handed on in pieces of about this size, so that a million
// records never sit in memory at once.
constexpr std::size_t PieceSize = 1 << 20;

}  // namespace

bool WriteRecords(const Stores& stores, const ByteSink& sink, bool maskControls)
{
    const NameTable& names = stores.Names;
    auto field = [&](int index) {
        std::string out = ",";
        if (index >= 0 && index < names.Count()) {
            std::string name = names[index].Name;
            if (maskControls)
                MaskControls(name);
            AppendCsvField(out, name);
        }
        return out;
    };
    auto parent = [&](int index) { return index >= 0 && index < names.Count() ? int(names[index].Parent) : -1; };
    // Each entry's fields once: as a user (",user") and as a speed, the part
    // of the line its chain gives (",domain" and ",server,port,speed").
    struct Fields {
        std::string User, Domain, Chain;
    };
    std::vector<Fields> fields(static_cast<std::size_t>(names.Count()));
    for (int i = 0; i < names.Count(); ++i) {
        const int port = parent(i);
        const int server = parent(port);
        fields[static_cast<std::size_t>(i)] = {field(i), field(parent(server)), field(server) + field(port) + field(i)};
    }
    const Fields none{",", ",", ",,,"};
    auto fieldsOf = [&](int index) -> const Fields& {
        return index >= 0 && index < names.Count() ? fields[static_cast<std::size_t>(index)] : none;
    };

    std::string out = "datetime,domain,user,server,port,speed,seconds,sent,received\r\n";
    out.reserve(PieceSize + 4096);
    double lastValue = -1;
    std::string lastDate;
    for (const ConnectionRecord& r : stores.Connections) {
        if (r.Removed())
            continue;
        // A repeated time (a duplicate, a busy minute) reuses the last text.
        if (r.DateTime != lastValue) {
            lastDate.clear();
            AppendIsoDateTime(lastDate, r.DateTime);
            lastValue = r.DateTime;
        }
        const Fields& speed = fieldsOf(r.SpeedIndex);
        out += lastDate;
        out += speed.Domain;
        out += fieldsOf(r.UserIndex).User;
        out += speed.Chain;
        out += ',';
        AppendInteger(out, r.ActiveTime);
        out += ',';
        AppendInteger(out, r.BytesSent);
        out += ',';
        AppendInteger(out, r.BytesReceived);
        out += "\r\n";
        if (out.size() >= PieceSize) {
            if (!sink(out))
                return false;
            out.clear();
        }
    }
    return sink(out);
}

}  // namespace vy::cli
