#include "scan/file_halves.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <optional>

namespace vy {

namespace {

// Smaller files are read whole: a thread and a second reader would cost
// more than they save.
constexpr std::int64_t kHalvesFrom = std::int64_t{16} << 20;

// Where the line after the first line feed at or after from begins; none
// when it is not found close by or nothing follows it.
std::optional<std::int64_t> LineStartAfter(const std::filesystem::path& path, std::int64_t from, std::int64_t size)
{
    std::ifstream in(path, std::ios::binary);
    char block[64 << 10];
    in.seekg(from);
    in.read(block, sizeof block);
    const char* begin = block;
    const char* end = block + std::max<std::streamsize>(in.gcount(), 0);
    const char* lf = std::find(begin, end, '\n');
    const std::int64_t at = from + (lf - begin) + 1;
    if (lf == end || at >= size)
        return std::nullopt;
    return at;
}

}  // namespace

bool ReadInHalves(const LogFormEntry& form, FormReading& r, std::int64_t size, LogReader& second,
                  const LogReader*& last)
{
    last = &r.Reader;
    const bool wide = r.Reader.Encoding() == TextEncoding::Utf16LE || r.Reader.Encoding() == TextEncoding::Utf16BE;
    if (!form.Halves || !r.Threads || wide || size < kHalvesFrom)
        return form.Read(r);
    const std::optional<std::int64_t> middle = LineStartAfter(r.Path, size / 2, size);
    if (!middle || !second.OpenAt(r.Path, *middle, r.Reader.Encoding()))
        return form.Read(r);
    if (!r.Reader.EndAt(*middle)) {
        second.Close();
        return form.Read(r);
    }
    bool restGo = true;
    const auto rest = [&](ReadSink& beside) {
        ReadingProgress progress = r.Progress.Beside(beside, r.FileStart + static_cast<double>(*middle));
        FormReading half{second, r.Path, r.File, r.FileName, r.FolderName, r.Settings, r.Events, r.Matcher,
                         progress, r.FileStart, beside, r.Threads};
        restGo = form.Read(half);
    };
    if (!r.Sink.Beside(rest)) {
        r.Reader.EndAt(std::numeric_limits<std::int64_t>::max());
        second.Close();
        return form.Read(r);
    }
    bool go = false;
    try {
        go = form.Read(r);
    } catch (...) {
        r.Sink.Join(false, 0);
        throw;
    }
    // What follows a mark, a failed read or a Stop in the first half is not read.
    const bool take = go && !r.Reader.Failed() && !r.Reader.EndedAtMark();
    r.Sink.Join(take, r.Lines);
    if (!take)
        return go;
    last = &second;
    return restGo;
}

}  // namespace vy
