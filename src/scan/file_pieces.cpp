#include "scan/file_pieces.h"

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <limits>
#include <mutex>
#include <optional>
#include <vector>

namespace vy {

namespace {

// Smaller files are read whole: a thread and a second reader would cost
// more than they save. Pieces are small enough that what the thread beside
// reads ahead fits its queue, and the processor's cache.
constexpr std::int64_t kPiecesFrom = std::int64_t{16} << 20;
constexpr std::int64_t kPiece = std::int64_t{8} << 20;

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

// Where each piece after the first starts.
std::vector<std::int64_t> PieceStarts(const std::filesystem::path& path, std::int64_t size)
{
    std::vector<std::int64_t> starts;
    const std::int64_t pieces = std::max<std::int64_t>(2, size / kPiece);
    for (std::int64_t k = 1; k < pieces; ++k) {
        const std::optional<std::int64_t> at = LineStartAfter(path, size / pieces * k, size);
        if (at && (starts.empty() || *at > starts.back()))
            starts.push_back(*at);
    }
    return starts;
}

// How far the thread beside has read: its pieces done, and the one the text
// ended in (at a mark, a failed read, a stop or an error), if it did.
class BesideState {
public:
    void Done(bool ended)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++done_;
            if (ended && endedIn_ == 0)
                endedIn_ = done_;
        }
        changed_.notify_all();
    }
    // Waits until pieces are done, or the text ended: whether it ended in
    // one of them.
    bool Wait(std::size_t pieces)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return endedIn_ != 0 || done_ >= pieces; });
        return endedIn_ != 0 && endedIn_ <= pieces;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t done_ = 0;
    std::size_t endedIn_ = 0;  // counted from 1
};

}  // namespace

bool ReadInPieces(const LogFormEntry& form, FormReading& r, std::int64_t size, LogReader& beside,
                  const LogReader*& last)
{
    last = &r.Reader;
    const bool wide = r.Reader.Encoding() == TextEncoding::Utf16LE || r.Reader.Encoding() == TextEncoding::Utf16BE;
    if (!form.Pieces || !r.Threads || wide || size < kPiecesFrom)
        return form.Read(r);
    const std::vector<std::int64_t> starts = PieceStarts(r.Path, size);
    if (starts.empty() || !r.Reader.EndAt(starts[0]))
        return form.Read(r);
    const TextEncoding encoding = r.Reader.Encoding();
    // Piece k (from 1) on reader: false when the text ended in it. The turn
    // goes to the other thread after it; from the reading thread only while
    // the text goes on, from the thread beside always, so that the scan's
    // thread turns back.
    const auto readPiece = [&](std::size_t k, LogReader& reader, ReadSink& sink, bool& go) {
        if (!reader.OpenAt(r.Path, starts[k - 1], encoding)) {
            if (&sink != &r.Sink)
                sink.Turn(0);
            return false;
        }
        if (k < starts.size())
            reader.EndAt(starts[k]);
        ReadingProgress progress = r.Progress.Beside(sink, r.FileStart + static_cast<double>(starts[k - 1]));
        FormReading piece{reader, r.Path, r.File, r.FileName, r.FolderName, r.Settings, r.Events, r.Matcher,
                          progress, r.FileStart, sink, r.Threads};
        go = form.Read(piece);
        const bool more = go && !reader.Failed() && !reader.EndedAtMark();
        if (k < starts.size() && (more || &sink != &r.Sink))
            sink.Turn(piece.Lines);
        return more;
    };
    BesideState state;
    bool besideGo = true;
    const auto odd = [&](ReadSink& sink) {
        bool ended = false;
        try {
            for (std::size_t k = 1; k <= starts.size() && !ended; k += 2) {
                ended = !readPiece(k, beside, sink, besideGo);
                state.Done(ended);
            }
        } catch (...) {
            state.Done(true);
            throw;
        }
    };
    if (!r.Sink.Beside(odd)) {
        r.Reader.EndAt(std::numeric_limits<std::int64_t>::max());
        return form.Read(r);
    }
    bool go = false;
    try {
        go = form.Read(r);
        bool ended = !go || r.Reader.Failed() || r.Reader.EndedAtMark();
        if (!ended)
            r.Sink.Turn(r.Lines);
        // The even pieces here, each once the odd one before it is read
        // beside: the text may have ended in it.
        for (std::size_t k = 1; !ended && k <= starts.size(); ++k) {
            if (k % 2 == 0) {
                ended = !readPiece(k, r.Reader, r.Sink, go);
                continue;
            }
            ended = state.Wait((k + 1) / 2);
            if (ended || k == starts.size()) {
                last = &beside;
                go = besideGo;
            }
        }
    } catch (...) {
        r.Sink.EndBeside();
        throw;
    }
    r.Sink.EndBeside();
    r.Progress.Resume(r.FileStart + static_cast<double>(last->Consumed()));
    return go;
}

}  // namespace vy
