// Feeds arbitrary bytes to the line parser and the exclusion lists, in both
// languages, and checks what must hold for any line: no read outside it,
// views inside it, and the same answers as the plain rules of the tests.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "scan/active_time.h"
#include "scan/event_list.h"
#include "scan/exclusion_filters.h"
#include "scan/line_parser.h"
#include "scan/line_parser_reference.h"
#include "store/date_value.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool Inside(std::string_view text, std::string_view part)
{
    return part.data() >= text.data() && part.data() + part.size() <= text.data() + text.size();
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

    const vy::LineMatcher matcher(lang, vy::EventList(ids));
    const bool recognised = vy::reference::IsConnectionLine(lang, line, ids);
    Check(matcher.IsConnectionLine(line) == recognised);
    if (line.find(matcher.Marker()) != std::string_view::npos)
        Check((matcher.IdFieldOf(line) == vy::LineMatcher::IdField::Listed) == recognised);

    vy::ConnectionLine c;
    const bool ok = vy::ParseConnectionLine(lang, line, c);
    if (ok) {
        Check(c.DateTime >= *vy::EncodeDate(1, 1, 1) && c.DateTime < *vy::EncodeDate(9999, 12, 31) + 1);
        Check(c.ActiveTime >= 0);
        Check(c.Domain == "Local" || Inside(line, c.Domain) || Inside(c.Unquoted, c.Domain));
        Check(c.Speed == "0" || Inside(line, c.Speed) || Inside(c.Unquoted, c.Speed));
        for (std::string_view v : {c.Server, c.Port})
            Check(Inside(line, v) || Inside(c.Unquoted, v));
        for (char ch : c.User)
            Check(ch < 'A' || ch > 'Z');
    }
    // Lines of current servers' events have their own form; every other
    // line reads as the plain rules read it.
    if (line.find(",20272,") == std::string_view::npos && line.find(",20251,") == std::string_view::npos) {
        const auto want = vy::reference::Parse(lang, line);
        Check(ok == want.has_value());
        if (ok)
            Check(c.DateTime == want->DateTime && c.Domain == want->Domain && c.User == want->User &&
                  c.Server == want->Server && c.Port == want->Port && c.Speed == want->Speed &&
                  c.ActiveTime == want->ActiveTime && c.BytesSent == want->BytesSent &&
                  c.BytesReceived == want->BytesReceived);
    }

    const vy::ExclusionList prepared(list);
    for (std::string_view name : {std::string_view(c.User), c.Domain, c.Port, std::string_view(list), line})
        Check(prepared.Contains(name) == vy::reference::IsListed(name, list));

    // The duration reader alone, on the whole input as text.
    const auto duration = vy::ReadDuration(line);
    Check(!duration || *duration >= 0);
    return 0;
}
