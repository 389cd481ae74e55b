#include "scan/event_list.h"

#include <algorithm>

#include "scan/line_parser.h"

namespace vy {

EventList::EventList(std::string_view ids)
{
    for (std::size_t slot = 0; slot < (ids.size() + 1) / 6; ++slot) {
        const std::string_view id = ids.substr(6 * slot, 5);
        ids_.emplace_back(id);
        // An ID of the text forms is five bytes between commas: only five
        // digits can name an event number.
        if (std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; }))
            numbers_.push_back(std::stoi(ids_.back()));
    }
    for (std::string_view id : {kCurrentFormEventId, kSpeedFormEventId})
        if (std::find(ids_.begin(), ids_.end(), id) == ids_.end())
            unlisted_.emplace_back(id);
}

bool EventList::Contains(int id) const { return std::find(numbers_.begin(), numbers_.end(), id) != numbers_.end(); }

}  // namespace vy
