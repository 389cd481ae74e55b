// NPS / RRAS accounting log, "DTS Compliant": one <Event> element a line,
// no root and no declaration; each child an attribute named as RADIUS names
// it (<User-Name data_type="1">bob</User-Name>), the record's own time in
// <Timestamp data_type="4">MM/DD/YYYY HH:MM:SS.fff</Timestamp>.

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include <QString>

#include "scan/accounting_record.h"
#include "scan/forms/nps_records.h"

namespace vy {

namespace {

constexpr std::string_view kEventStart = "<Event>";
constexpr std::string_view kEventEnd = "</Event>";
constexpr std::string_view kTimestamp = "Timestamp";

struct Child {
    std::string_view Name;
    AccountingField Attribute;
};

constexpr std::array kChildren{
    Child{"User-Name", AccountingField::UserName},
    Child{"NAS-Identifier", AccountingField::NasIdentifier},
    Child{"NAS-IP-Address", AccountingField::NasIpAddress},
    Child{"Computer-Name", AccountingField::Server},
    Child{"NAS-Port-Id", AccountingField::NasPortId},
    Child{"NAS-Port", AccountingField::NasPort},
    Child{"Connect-Info", AccountingField::ConnectInfo},
    Child{"Acct-Status-Type", AccountingField::StatusType},
    Child{"Acct-Delay-Time", AccountingField::DelayTime},
    Child{"Acct-Input-Octets", AccountingField::InputOctets},
    Child{"Acct-Output-Octets", AccountingField::OutputOctets},
    Child{"Acct-Session-Time", AccountingField::SessionTime},
    Child{"Acct-Input-Gigawords", AccountingField::InputGigawords},
    Child{"Acct-Output-Gigawords", AccountingField::OutputGigawords},
    Child{"Packet-Type", AccountingField::PacketType},
};

// The children looked up by the length of their names first: a record has
// some forty children, most of them of no interest.
class ChildNames {
public:
    ChildNames()
    {
        for (const Child& child : kChildren)
            byLength_[child.Name.size()].push_back(child);
    }
    const Child* Find(std::string_view name) const
    {
        if (name.size() >= byLength_.size())
            return nullptr;
        // Names of one length mostly differ early: the first bytes sort out
        // most before a whole comparison.
        for (const Child& child : byLength_[name.size()])
            if (child.Name[5] == name[5] && child.Name[0] == name[0] && child.Name == name)
                return &child;
        return nullptr;
    }

private:
    std::array<std::vector<Child>, 24> byLength_;
};

// The text of an element with its entities undone; false for an entity
// XML does not know.
bool AppendUnescaped(std::string_view text, std::string& out)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t amp = text.find('&', at);
        out.append(text.substr(at, amp == std::string_view::npos ? std::string_view::npos : amp - at));
        if (amp == std::string_view::npos)
            return true;
        const std::size_t semi = text.find(';', amp);
        if (semi == std::string_view::npos)
            return false;
        const std::string_view name = text.substr(amp + 1, semi - amp - 1);
        at = semi + 1;
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        const auto named = std::find_if(std::begin(kNamed), std::end(kNamed), [name](auto e) { return e.first == name; });
        if (named != std::end(kNamed))
            out.push_back(named->second);
        else if (name.size() >= 2 && name.size() <= 10 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            std::uint32_t code = 0;
            if (name.size() == (hex ? 2u : 1u))
                return false;
            for (const char c : name.substr(hex ? 2 : 1)) {
                const int digit = c >= '0' && c <= '9'                  ? c - '0'
                                  : hex && c >= 'a' && c <= 'f'         ? c - 'a' + 10
                                  : hex && c >= 'A' && c <= 'F'         ? c - 'A' + 10
                                                                        : -1;
                if (digit < 0)
                    return false;
                code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
                if (code > 0x10FFFF)
                    return false;
            }
            // As UTF-8, decoded with the rest of the value later.
            if (code == 0 || (code >= 0xD800 && code <= 0xDFFF))
                return false;
            const char32_t character = code;
            out += QString::fromUcs4(&character, 1).toStdString();
        } else {
            return false;
        }
    }
    return true;
}


bool RecognisesNpsDts(std::string_view head)
{
    const std::string_view line = FirstLineOf(head);
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line.substr(first).starts_with("<Event><Timestamp data_type=\"4\">");
}

bool ParseNpsDtsLine(std::string_view line, NpsRecord& record)
{
    static const ChildNames names;
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string_view::npos || line.substr(at, kEventStart.size()) != kEventStart)
        return false;
    at += kEventStart.size();
    for (;;) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        if (line.substr(at, kEventEnd.size()) == kEventEnd)
            return true;
        // Anything else than a child is damage: the line cut short, or
        // not well-formed.
        record.Whole = false;
        if (at >= line.size() || line[at] != '<')
            return true;
        // Names, tags and most texts are short: plain loops find their ends
        // sooner than calls to the library.
        std::size_t nameEnd = at + 1;
        while (nameEnd < line.size() && line[nameEnd] != ' ' && line[nameEnd] != '\t' && line[nameEnd] != '/' &&
               line[nameEnd] != '>')
            ++nameEnd;
        // Nearly every start tag ends in  data_type="N">: passed in one step.
        constexpr std::size_t kDataType = sizeof(" data_type=\"0\">") - 1;
        std::size_t tagEnd = nameEnd;
        if (line.size() - nameEnd > kDataType && line[nameEnd + kDataType - 1] == '>' && line[nameEnd + 1] == 'd' &&
            line[nameEnd + kDataType - 2] == '"')
            tagEnd = nameEnd + kDataType - 1;
        while (tagEnd < line.size() && line[tagEnd] != '>')
            ++tagEnd;
        if (tagEnd >= line.size())
            return true;
        const std::string_view name = line.substr(at + 1, nameEnd - at - 1);
        at = tagEnd + 1;
        if (line[tagEnd - 1] == '/') {
            record.Whole = true;  // empty: absent
            continue;
        }
        std::size_t close = at;
        while (close < line.size() && line[close] != '<')
            ++close;
        // The end tag: its name compared byte by byte, most being short.
        const std::size_t end = close + 2 + name.size();
        if (end >= line.size() || line[close + 1] != '/' || line[end] != '>')
            return true;
        for (std::size_t i = 0; i < name.size(); ++i)
            if (line[close + 2 + i] != name[i])
                return true;
        const std::string_view text = line.substr(at, close - at);
        at = close + 3 + name.size();
        if (name == kTimestamp) {
            const std::size_t blank = text.find(' ');
            record.Date = text.substr(0, blank);
            record.Time = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
        } else if (const Child* child = names.Find(name)) {
            if (text.find('&') == std::string_view::npos) {
                record.Values[child->Attribute] = text;
            } else {
                if (!AppendUnescaped(text, record.Buffer(child->Attribute)))
                    return true;
                record.SetFromBuffer(child->Attribute);
            }
        }
        record.Whole = true;
    }
}

// The texts of the first Acct-Status-Type and Packet-Type elements, as
// they stand, found by the one byte both end tags share that is rare in
// these lines ("T" of "-Type>"), so that the byte search stops seldom.
struct TypeTexts {
    std::string_view Status;
    std::string_view Packet;
};
TypeTexts FindTypeTexts(std::string_view line)
{
    static constexpr std::string_view kStatusEnd = "</Acct-Status-Type>";
    static constexpr std::string_view kPacketEnd = "</Packet-Type>";
    constexpr std::size_t statusKey = kStatusEnd.size() - 5;
    constexpr std::size_t packetKey = kPacketEnd.size() - 5;
    const auto endsAt = [line](std::size_t p, std::string_view tag, std::size_t key) {
        return p >= key && line.size() - (p - key) >= tag.size() && line[p + 4] == '>' && line[p - key + 1] == '/' &&
               line.substr(p - key, tag.size()) == tag;
    };
    const auto textBefore = [line](std::size_t end) {
        const std::size_t open = line.rfind('>', end);  // text holds no '>' of its own
        return open == std::string_view::npos ? std::string_view() : line.substr(open + 1, end - open - 1);
    };
    TypeTexts texts;
    for (std::size_t p = line.find('T', packetKey); p != std::string_view::npos; p = line.find('T', p + 1)) {
        if (texts.Status.empty() && endsAt(p, kStatusEnd, statusKey))
            texts.Status = textBefore(p - statusKey);
        else if (texts.Packet.empty() && endsAt(p, kPacketEnd, packetKey))
            texts.Packet = textBefore(p - packetKey);
        if (!texts.Status.empty() && !texts.Packet.empty())
            break;
    }
    return texts;
}

bool NoStopDts(std::string_view line)
{
    const TypeTexts texts = FindTypeTexts(line);
    return NoStop(texts.Status, texts.Packet);
}

}  // namespace

extern const LogFormEntry kNpsDtsForm{
    "NPS log (DTS XML)", RecognisesNpsDts,
    [](FormReading& reading) { return ReadNpsLines(reading, {ParseNpsDtsLine, NoStopDts}); }};

}  // namespace vy
