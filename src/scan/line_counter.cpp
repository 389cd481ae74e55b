#include "scan/line_counter.h"

namespace vy {

void LineCounter::Reset(const std::filesystem::path& path)
{
    path_ = path;
    reader_.Close();
    open_ = false;
}

std::int64_t LineCounter::LineAt(std::int64_t offset)
{
    if (open_ && reader_.Consumed() > offset && lines_ > 0) {
        // Behind the place of the last answer: from the start again.
        reader_.Close();
        open_ = false;
    }
    if (!open_) {
        if (!reader_.Open(path_))
            return 0;
        open_ = true;
        lines_ = 0;
    }
    LogLineRead line;
    while (reader_.Consumed() <= offset && reader_.Next(line))
        ++lines_;
    return lines_;
}

}  // namespace vy
