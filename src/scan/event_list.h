#pragma once
// The NEvents setting, read once a scan: five-character event IDs in
// six-character slots (the sixth character of a slot is never looked at; a
// shorter tail is no slot at all).

#include <string>
#include <string_view>
#include <vector>

namespace vy {

class EventList {
public:
    explicit EventList(std::string_view ids);
    // The IDs of the slots, five bytes each, in the list's order, repeats
    // kept: what the text forms look for between commas.
    const std::vector<std::string>& Ids() const { return ids_; }
    // Whether the list names the event numbered id; only an ID of five
    // digits names a number.
    bool Contains(int id) const;
    // The connection events of current servers (20272, 20251) that the list
    // leaves out, told apart by their source when one is met.
    const std::vector<std::string>& Unlisted() const { return unlisted_; }

private:
    std::vector<std::string> ids_;
    std::vector<int> numbers_;
    std::vector<std::string> unlisted_;
};

}  // namespace vy
