#include "loggen/evtx_folder_writer.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "store/date_value.h"

namespace vy::loggen {

namespace {

std::u16string Wide(const std::string& text)
{
    std::u16string out;
    for (char c : text)
        out.push_back(static_cast<unsigned char>(c));
    return out;
}

// Windows writes direction marks into the dates of these events on some
// servers: every other connection gets them, the reader must not mind.
constexpr char16_t kLeftToRight = 0x200E;

std::u16string Date(const CivilDate& d, bool marks)
{
    const std::u16string mark = marks ? std::u16string(1, kLeftToRight) : std::u16string();
    return mark + Wide(std::to_string(d.Month)) + u"/" + mark + Wide(std::to_string(d.Day)) + u"/" + mark +
           Wide(std::to_string(d.Year));
}

// "H:MM AM", as the message text gives it.
std::u16string Time(std::int64_t second)
{
    const int sod = static_cast<int>(second % 86400);
    const int hour = sod / 3600;
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d %s", hour % 12 == 0 ? 12 : hour % 12, sod / 60 % 60, hour < 12 ? "AM" : "PM");
    return Wide(text);
}

CivilDate DayOf(std::int64_t second) { return DecodeDate(static_cast<double>(second / 86400)); }

}  // namespace

EvtxFolderWriter::EvtxFolderWriter(std::filesystem::path folder, std::string eventId, GeneratedFolder& summary)
    : folder_(std::move(folder)), eventId_(std::move(eventId)), summary_(summary)
{
}

void EvtxFolderWriter::BeginFile(const std::string& name)
{
    Finish();
    name_ = name;
    if (name_.size() >= 4 && name_.compare(name_.size() - 4, 4, ".txt") == 0)
        name_.replace(name_.size() - 4, 4, ".evtx");
    path_ = (folder_ / name_).string();
}

void EvtxFolderWriter::Line(const std::string& line, const Connection* c, bool copy)
{
    if (c == nullptr) {
        ++summary_.OtherLines;
        AddOther(line);
        return;
    }
    ++summary_.ConnectionLines;
    if (copy)
        ++summary_.DuplicateLines;
    summary_.ActiveSeconds += c->ActiveSeconds;
    summary_.BytesSent += c->BytesSent;
    summary_.BytesReceived += c->BytesReceived;
    int id = lastEventId_;
    if (!copy) {
        id = eventId_ == "20251" ? 20251 : eventId_ == "20272" ? 20272 : connections_ % 2 == 0 ? 20251 : 20272;
        ++connections_;
    }
    lastEventId_ = id;
    AddConnection(*c, id);
}

// The insertion strings: 1 routing domain, 2 connection ID, 3 user, 4 port,
// 5 and 6 the connect date and time, 7 and 8 the disconnect date and time,
// 9 and 10 minutes and seconds active, 11 and 12 bytes sent and received,
// then (20251) the port speed, and the reason for disconnecting.
void EvtxFolderWriter::AddConnection(const Connection& c, int eventId)
{
    const std::int64_t start = std::llround(c.Start * 1440.0) * 60;
    const std::int64_t end = start + c.ActiveSeconds;
    const bool marks = connections_ % 4 < 2;
    EvtxEvent e;
    e.Provider = "RemoteAccess";
    e.EventId = eventId;
    e.Second = end;
    e.Computer = c.Server;
    char guid[40];
    std::snprintf(guid, sizeof guid, "{%08llX-0000-4000-8000-%012llX}", static_cast<unsigned long long>(connections_),
                  static_cast<unsigned long long>(c.BytesSent));
    e.Data = {u"{00000000-0000-0000-0000-000000000000}",
              Wide(guid),
              Wide(c.Domain.empty() ? c.User : c.Domain + "\\" + c.User),
              Wide(c.Port),
              Date(DayOf(start), marks),
              Time(start),
              Date(DayOf(end), marks),
              Time(end),
              Wide(std::to_string(c.ActiveSeconds / 60)),
              Wide(std::to_string(c.ActiveSeconds % 60)),
              Wide(std::to_string(c.BytesSent)),
              Wide(std::to_string(c.BytesReceived))};
    if (eventId == 20251)
        e.Data.push_back(Wide(c.Speed));
    e.Data.push_back(u"user request");
    writer_.Add(e);
}

// An exported line: date, time, source, type, category, ID, user, computer,
// message.
void EvtxFolderWriter::AddOther(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t from = 0;
    while (fields.size() < 8) {
        const std::size_t comma = line.find(',', from);
        if (comma == std::string::npos)
            break;
        fields.push_back(line.substr(from, comma - from));
        from = comma + 1;
    }
    if (fields.size() < 8)
        return;
    EvtxEvent e;
    e.Provider = fields[2];
    e.EventId = static_cast<int>(std::strtol(fields[5].c_str(), nullptr, 10) & 0xFFFF);
    // The generated text puts other RemoteAccess events under the
    // connection's ID; here they keep an ID of their own.
    if (e.Provider == "RemoteAccess" && (e.EventId == 20251 || e.EventId == 20272))
        e.EventId = 20271;
    e.Level = fields[3] == "Warning" ? 3 : 4;
    e.Computer = fields[7];
    int month = 1, day = 1, year = 1998, hour = 0, minute = 0, second = 0;
    char half[3] = "AM";
    std::sscanf(fields[0].c_str(), "%d/%d/%d", &month, &day, &year);
    std::sscanf(fields[1].c_str(), "%d:%d:%d %2s", &hour, &minute, &second, half);
    const double date = EncodeDate(year, month, day).value_or(0);
    e.Second = static_cast<std::int64_t>(date) * 86400 + (hour % 12 + (half[0] == 'P' ? 12 : 0)) * 3600 + minute * 60 + second;
    e.Data = {Wide(line.substr(from))};
    writer_.Add(e);
}

void EvtxFolderWriter::Finish()
{
    if (path_.empty())
        return;
    const std::string bytes = writer_.Finish();
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
    summary_.Files.push_back(name_);
    summary_.TotalBytes += static_cast<std::int64_t>(bytes.size());
    path_.clear();
}

}  // namespace vy::loggen
