#include "scan/event_strings.h"

#include "scan/active_time.h"
#include "scan/message_values.h"
#include "store/ascii_text.h"

namespace vy {

namespace {

// The whole of text (blanks around it aside) read by read, which moves at.
using ValueReader = std::optional<double> (*)(std::string_view, std::size_t&);
std::optional<double> Whole(std::string_view text, ValueReader read)
{
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string_view::npos)
        return std::nullopt;
    const auto value = read(text, at);
    if (text.find_first_not_of(' ', at) != std::string_view::npos)
        return std::nullopt;
    return value;
}

}  // namespace

bool IsRemoteAccess(std::string_view provider) { return EqualAsciiFolded(provider, kRemoteAccessProvider); }

EventStatus ReadEventStrings(std::string_view eventId, std::string_view provider, std::string_view computer,
                             const std::vector<std::string>& strings, const LineMatcher& matcher,
                             ConnectionLine& out)
{
    const int event = RemoteAccessConnectionEvent(eventId, provider);
    if (event == 0)
        return EventStatus::NotConnection;
    if (!matcher.Lists(eventId))
        return EventStatus::NotListed;
    return ReadConnectionStrings(event == 20251, computer, strings, out) ? EventStatus::Read : EventStatus::Unread;
}

bool ReadConnectionStrings(bool withSpeed, std::string_view computer, const std::vector<std::string>& strings,
                           ConnectionLine& out)
{
    if (strings.size() < (withSpeed ? 13u : 12u))
        return false;
    auto at = [&strings](std::size_t place) { return std::string_view(strings[place - 1]); };

    const auto date = Whole(at(5), ReadConnectDate);
    const auto time = Whole(at(6), ReadConnectTime);
    // The active time rule reads the pair as the message writes it.
    std::string& duration = out.Unquoted;
    duration.assign(at(9)).append(" minutes ").append(at(10)).append(" seconds");
    const auto active = ReadDuration(duration);
    const auto sent = ReadByteCount(at(11));
    const auto received = ReadByteCount(at(12));
    if (!date || !time || !active || !sent || !received)
        return false;
    // The speed as in the message, up to a "." if any.
    std::string_view speed = "0";
    if (withSpeed) {
        speed = at(13);
        speed = speed.substr(0, speed.find('.'));
    }
    const DomainAndUser names = SplitDomainUser(at(3));

    out.DateTime = *date + *time;
    out.Domain = names.Domain;
    out.User.clear();
    AppendAsciiLower(out.User, names.User);
    out.Server = computer;
    out.Port = at(4);
    out.Speed = speed;
    out.ActiveTime = *active;
    out.BytesSent = *sent;
    out.BytesReceived = *received;
    return true;
}

}  // namespace vy
