// Feeds arbitrary bytes to the line parser and the exclusion filters, in
// both languages, and checks what must hold for any line: no read outside
// it, views inside it, the prepared forms agreeing with the plain ones.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "scan/active_time.h"
#include "scan/exclusion_filters.h"
#include "scan/line_parser.h"
#include "scan/marker_anchors.h"
#include "store/date_value.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckInside(std::string_view line, std::optional<std::string_view> part)
{
    if (!part)
        return;
    Check(part->data() >= line.data() && part->data() + part->size() <= line.data() + line.size());
}

template <typename T>
bool Same(const std::optional<T>& a, const T& b)
{
    return a && *a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    static const char* languages[] = {"EN", "DE", "de", ""};
    const std::string lang = languages[input.ConsumeIntegralInRange<int>(0, 3)];
    const std::string ids = input.ConsumeRandomLengthString(24);
    const std::string list = input.ConsumeRandomLengthString(40);
    // The line in a buffer of exactly its size, so that any read past its
    // end is seen by the address sanitizer.
    const std::vector<char> bytes = input.ConsumeRemainingBytes<char>();
    const std::string_view line(bytes.data(), bytes.size());

    const bool recognised = vy::IsConnectionLine(lang, line, ids);
    Check(vy::LineMatcher(lang, ids).IsConnectionLine(line) == recognised);

    const auto dateTime = vy::ExtractDateTime(lang, line);
    const auto domain = vy::ExtractDomain(lang, line);
    const auto user = vy::ExtractUser(lang, line);
    const auto server = vy::ExtractServer(lang, line);
    const auto port = vy::ExtractPort(lang, line);
    const auto speed = vy::ExtractSpeed(lang, line);
    const auto sent = vy::ExtractBytesSent(lang, line);
    const auto received = vy::ExtractBytesReceived(lang, line);
    const auto active = vy::ExtractTime(lang, line);

    if (dateTime) {
        Check(std::isfinite(*dateTime));
        Check(*dateTime >= *vy::EncodeDate(1, 1, 1) && *dateTime < *vy::EncodeDate(9999, 12, 31) + 1);
    }
    if (domain && *domain != "Local")
        CheckInside(line, domain);
    CheckInside(line, server);
    CheckInside(line, port);
    CheckInside(line, speed);
    if (user) {
        Check(user->size() <= line.size());
        for (char c : *user)
            Check(c < 'A' || c > 'Z');
    }
    if (active)
        Check(*active >= 0);

    vy::ConnectionLine parsed;
    const bool ok = vy::ParseConnectionLine(lang, line, parsed);
    Check(ok == (dateTime && domain && user && server && port && speed && sent && received && active));
    if (ok) {
        Check(Same(dateTime, parsed.DateTime) && Same(domain, parsed.Domain) && Same(user, parsed.User));
        Check(Same(server, parsed.Server) && Same(port, parsed.Port) && Same(speed, parsed.Speed));
        Check(Same(sent, parsed.BytesSent) && Same(received, parsed.BytesReceived) && Same(active, parsed.ActiveTime));
    }

    const vy::ExclusionList prepared(list);
    const std::string_view userName = user ? std::string_view(*user) : std::string_view();
    for (std::string_view name : {userName, domain.value_or(""), port.value_or(""), std::string_view(list)})
        Check(prepared.Contains(name) == vy::IsListed(name, list));
    Check(vy::IsUserAllowed(lang, line, list) == !vy::IsListed(userName, list));
    Check(vy::IsDomainAllowed(lang, line, list) == !vy::IsListed(domain.value_or(""), list));
    Check(vy::IsPortAllowed(lang, line, list) == !vy::IsListed(port.value_or(""), list));
    Check(!vy::IsListed("", list));

    // The fast marker search against the plain one, with the other inputs
    // as needles.
    for (std::string_view needle : {std::string_view(list), std::string_view(ids)})
        for (std::size_t from : {std::size_t{0}, needle.size() % (line.size() + 2)})
            Check(vy::FindMarker(line, needle, from) == line.find(needle, from));

    // The one-pass search by anchors against the plain one: the other inputs
    // and every marker of both languages as needles, with anchors of either.
    static const vy::AnchorSet sets[] = {vy::AnchorSet("Typ.at"), vy::AnchorSet("VDGBA.um"), vy::AnchorSet(ids)};
    vy::LineAnchors anchors;
    for (const vy::AnchorSet& set : sets) {
        if (!anchors.Load(set, line)) {
            Check(line.size() > vy::LineAnchors::MaxLine);
            break;
        }
        std::vector<std::string_view> needles = {list, ids};
        for (const vy::LineMarkers* mk : {&vy::EnglishMarkers(), &vy::GermanMarkers()})
            for (std::string_view m : {mk->Recognition, mk->Start, mk->UserStart, mk->AfterUser, mk->BeforePort,
                                       mk->TimeMarker, mk->BeforeSent, mk->AfterSent, mk->BeforeReceived,
                                       mk->AfterReceived, mk->BeforeSpeed})
                needles.push_back(m);
        for (std::string_view needle : needles)
            for (std::size_t from : {std::size_t{0}, list.size() % (line.size() + 2)})
                Check(anchors.Find(set.Plan(needle), from) == vy::FindMarker(line, needle, from));
    }

    // The whole-line parser also when the line is too long for the anchor
    // maps and is searched marker by marker.
    if (line.size() <= vy::LineAnchors::MaxLine) {
        std::vector<char> padded(bytes);
        padded.resize(vy::LineAnchors::MaxLine + 1, ' ');
        const std::string_view longLine(padded.data(), padded.size());
        vy::ConnectionLine c;
        const bool longOk = vy::ParseConnectionLine(lang, longLine, c);
        const auto d = vy::ExtractDateTime(lang, longLine);
        const auto u = vy::ExtractUser(lang, longLine);
        const auto sp = vy::ExtractSpeed(lang, longLine);
        const auto r = vy::ExtractBytesReceived(lang, longLine);
        Check(longOk == (d && vy::ExtractDomain(lang, longLine) && u && vy::ExtractServer(lang, longLine) &&
                         vy::ExtractPort(lang, longLine) && sp && vy::ExtractBytesSent(lang, longLine) && r &&
                         vy::ExtractTime(lang, longLine)));
        if (longOk)
            Check(Same(d, c.DateTime) && Same(u, c.User) && Same(sp, c.Speed) && Same(r, c.BytesReceived));
    }

    // The duration reader alone, on the whole input as text.
    const auto duration = vy::ReadDuration(line);
    if (duration)
        Check(*duration >= 0);
    return 0;
}
