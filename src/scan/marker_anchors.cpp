#include "scan/marker_anchors.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "scan/line_parser.h"

namespace vy {

AnchorSet::AnchorSet(std::string_view bytes)
{
    for (char c : bytes)
        if (bytes_.size() < MaxBytes && bytes_.find(c) == std::string::npos)
            bytes_ += c;
}

AnchoredMarker AnchorSet::Plan(std::string_view marker) const
{
    AnchoredMarker m;
    m.Text = marker;
    if (marker.size() >= 2)
        m.Places = PlacesOf(marker);
    for (std::size_t i = 0; i < bytes_.size() && m.Anchors < 2; ++i) {
        const std::size_t at = marker.find(bytes_[i]);
        // A place is shifted within one word and the next, so it must be
        // below 64.
        if (at == std::string_view::npos || at >= 64)
            continue;
        m.Index[m.Anchors] = static_cast<std::uint8_t>(i);
        m.Offset[m.Anchors] = static_cast<std::uint8_t>(at);
        ++m.Anchors;
    }
    return m;
}

namespace {

using Maps = std::uint64_t (*)[LineAnchors::MaxLine / 64 + 1];

// Where the bytes of word w of the line are read. A line shorter than a word
// is copied into zeroed space (should zero be an anchor, the places past the
// line are no candidates: Find stops at the last place where the marker
// fits). The last part of a longer line is read as the word that ends with
// the line, its places then shifted down by Shift, so nothing beyond the
// line is read.
struct WordBytes {
    const char* At;
    unsigned Shift = 0;
};

inline WordBytes WordOf(std::string_view line, std::size_t w, char* tail)
{
    const std::size_t have = line.size() - 64 * w;
    if (have >= 64)
        return {line.data() + 64 * w};
    if (line.size() >= 64)
        return {line.data() + line.size() - 64, static_cast<unsigned>(64 - have)};
    std::memset(tail, 0, 64);
    std::memcpy(tail, line.data() + 64 * w, have);
    return {tail};
}

void LoadPlain(Maps maps, std::string_view line, std::size_t words, std::string_view bytes)
{
    for (std::size_t w = 0; w < words; ++w) {
        alignas(64) char tail[64];
        const WordBytes src = WordOf(line, w, tail);
#if defined(__SSE2__)
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src.At));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src.At + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src.At + 32));
        const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src.At + 48));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const __m128i b = _mm_set1_epi8(bytes[i]);
            const auto m0 = static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v0, b))));
            const auto m1 = static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v1, b))));
            const auto m2 = static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v2, b))));
            const auto m3 = static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v3, b))));
            maps[i][w] = (m0 | m1 << 16 | m2 << 32 | m3 << 48) >> src.Shift;
        }
#else
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            std::uint64_t m = 0;
            for (std::size_t k = 0; k < 64; ++k)
                m |= static_cast<std::uint64_t>(src.At[k] == bytes[i]) << k;
            maps[i][w] = m >> src.Shift;
        }
#endif
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VY_ANCHORS_WIDE 1

__attribute__((target("avx2"))) void LoadAvx2(Maps maps, std::string_view line, std::size_t words,
                                              std::string_view bytes)
{
    for (std::size_t w = 0; w < words; ++w) {
        alignas(64) char tail[64];
        const WordBytes src = WordOf(line, w, tail);
        const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src.At));
        const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src.At + 32));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const __m256i b = _mm256_set1_epi8(bytes[i]);
            const auto m0 = static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v0, b))));
            const auto m1 = static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v1, b))));
            maps[i][w] = (m0 | m1 << 32) >> src.Shift;
        }
    }
}

__attribute__((target("avx512f,avx512bw"))) void LoadAvx512(Maps maps, std::string_view line, std::size_t words,
                                                           std::string_view bytes)
{
    for (std::size_t w = 0; w < words; ++w) {
        alignas(64) char tail[64];
        const WordBytes src = WordOf(line, w, tail);
        const __m512i v = _mm512_loadu_si512(src.At);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            maps[i][w] = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(bytes[i])) >> src.Shift;
    }
}
#endif

// memcmp(a, b, k) == 0 for the short texts of markers, without a call.
inline bool SameBytes(const char* a, const char* b, std::size_t k)
{
    auto word8 = [](const char* p) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    };
    auto word4 = [](const char* p) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    };
    if (k >= 8) {
        // Eight bytes at a time, the last eight overlapping the ones before.
        for (std::size_t i = 0; i + 8 < k; i += 8)
            if (word8(a + i) != word8(b + i))
                return false;
        return word8(a + k - 8) == word8(b + k - 8);
    }
    if (k >= 4)
        return word4(a) == word4(b) && word4(a + k - 4) == word4(b + k - 4);
    for (std::size_t i = 0; i < k; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

using LoadFunction = void (*)(Maps, std::string_view, std::size_t, std::string_view);

// The widest form the processor runs; all give the same maps.
LoadFunction ChooseLoad()
{
#ifdef VY_ANCHORS_WIDE
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw"))
        return LoadAvx512;
    if (__builtin_cpu_supports("avx2"))
        return LoadAvx2;
#endif
    return LoadPlain;
}

}  // namespace

bool LineAnchors::Load(const AnchorSet& set, std::string_view line)
{
    if (line.size() > MaxLine)
        return false;
    line_ = line;
    words_ = (line.size() + 63) / 64;
    const std::string_view bytes = set.Bytes();
    static const LoadFunction load = ChooseLoad();
    load(maps_, line, words_, bytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        maps_[i][words_] = 0;
    return true;
}

std::size_t LineAnchors::Find(const AnchoredMarker& marker, std::size_t from) const
{
    constexpr std::size_t npos = std::string_view::npos;
    const std::size_t k = marker.Text.size();
    if (marker.Anchors == 0 || k == 0)
        return FindMarkerAt(line_, marker.Text, marker.Places, from);
    if (from > line_.size() || line_.size() - from < k)
        return npos;
    const std::size_t last = line_.size() - k;  // the last place where the marker fits
    for (std::size_t w = from / 64; 64 * w <= last; ++w) {
        std::uint64_t candidates = Shifted(marker.Index[0], marker.Offset[0], w);
        if (marker.Anchors > 1)
            candidates &= Shifted(marker.Index[1], marker.Offset[1], w);
        if (w == from / 64)
            candidates &= ~std::uint64_t{0} << (from % 64);
        while (candidates != 0) {
            const std::size_t at = 64 * w + static_cast<std::size_t>(__builtin_ctzll(candidates));
            if (at > last)
                return npos;
            if (SameBytes(line_.data() + at, marker.Text.data(), k))
                return at;
            candidates &= candidates - 1;
        }
    }
    return npos;
}

void LineAnchors::FindEach(const AnchoredMarker* const* markers, std::size_t count, std::size_t* out) const
{
    constexpr std::size_t npos = std::string_view::npos;
    // Which markers each anchor byte serves, still unfound.
    std::uint8_t served[AnchorSet::MaxBytes][MaxEach];
    std::size_t servedCount[AnchorSet::MaxBytes] = {};
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = npos;
        const AnchoredMarker& m = *markers[i];
        if (m.Anchors == 0 || m.Text.empty())
            out[i] = FindMarkerAt(line_, m.Text, m.Places);
        else
            served[m.Index[0]][servedCount[m.Index[0]]++] = static_cast<std::uint8_t>(i);
    }
    const std::size_t size = line_.size();
    for (std::size_t a = 0; a < AnchorSet::MaxBytes; ++a) {
        std::size_t left = servedCount[a];
        // The anchor's places in rising order: for each marker it serves,
        // the first place that compares equal is its first occurrence.
        for (std::size_t w = 0; left > 0 && w < words_; ++w) {
            for (std::uint64_t bits = maps_[a][w]; left > 0 && bits != 0; bits &= bits - 1) {
                const std::size_t place = 64 * w + static_cast<std::size_t>(__builtin_ctzll(bits));
                for (std::size_t j = 0; j < servedCount[a]; ++j) {
                    const std::size_t i = served[a][j];
                    if (out[i] != npos)
                        continue;
                    const AnchoredMarker& m = *markers[i];
                    const std::size_t k = m.Text.size();
                    if (place < m.Offset[0] || size < k || place - m.Offset[0] > size - k)
                        continue;
                    const std::size_t at = place - m.Offset[0];
                    if (m.Anchors > 1) {
                        const std::size_t second = at + m.Offset[1];
                        if (!(maps_[m.Index[1]][second / 64] >> (second % 64) & 1))
                            continue;
                    }
                    if (SameBytes(line_.data() + at, m.Text.data(), k)) {
                        out[i] = at;
                        --left;
                    }
                }
            }
        }
    }
}

NeedlePlaces PlacesOf(std::string_view needle)
{
    NeedlePlaces p;
    const std::size_t k = needle.size();
    p.Last = k - 1;
    while (p.First < p.Last && needle[p.First] == ' ')
        ++p.First;
    while (p.Last > p.First && needle[p.Last] == ' ')
        --p.Last;
    if (p.First == p.Last) {
        p.First = 0;
        p.Last = k - 1;
    }
    p.Middle = p.First;
    for (std::size_t d = 0; d <= k / 2; ++d) {
        for (std::size_t at : {k / 2 - std::min(d, k / 2), k / 2 + d}) {
            if (at < k && at != p.First && at != p.Last && needle[at] != ' ') {
                p.Middle = at;
                return p;
            }
        }
    }
    return p;
}

namespace {

// Each form looks at blocks of candidate places; the last block is moved
// back to end where the needle last fits, overlapping places already
// rejected, so the first hit stays the first. Each needs n >= k - 1 + its
// block.

#if defined(__SSE2__)
std::size_t FindBlocks16(const char* hay, std::size_t n, std::string_view needle, NeedlePlaces p)
{
    const std::size_t k = needle.size();
    const __m128i first = _mm_set1_epi8(needle[p.First]);
    const __m128i last = _mm_set1_epi8(needle[p.Last]);
    const __m128i middle = _mm_set1_epi8(needle[p.Middle]);
    const std::size_t lastBlock = n - (k - 1) - 16;
    for (std::size_t i = 0;; i += 16) {
        if (i > lastBlock)
            i = lastBlock;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + p.First));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + p.Last));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + p.Middle));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
            _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last)), _mm_cmpeq_epi8(c, middle))));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (SameBytes(hay + at, needle.data(), k))
                return at;
            mask &= mask - 1;
        }
        if (i == lastBlock)
            return std::string_view::npos;
    }
}
#endif

#ifdef VY_ANCHORS_WIDE
__attribute__((target("avx2"))) std::size_t FindBlocks32(const char* hay, std::size_t n, std::string_view needle,
                                                         NeedlePlaces p)
{
    const std::size_t k = needle.size();
    const __m256i first = _mm256_set1_epi8(needle[p.First]);
    const __m256i last = _mm256_set1_epi8(needle[p.Last]);
    const __m256i middle = _mm256_set1_epi8(needle[p.Middle]);
    const std::size_t lastBlock = n - (k - 1) - 32;
    for (std::size_t i = 0;; i += 32) {
        if (i > lastBlock)
            i = lastBlock;
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + i + p.First));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + i + p.Last));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + i + p.Middle));
        unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(
            _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last)), _mm256_cmpeq_epi8(c, middle))));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (SameBytes(hay + at, needle.data(), k))
                return at;
            mask &= mask - 1;
        }
        if (i == lastBlock)
            return std::string_view::npos;
    }
}

__attribute__((target("avx512f,avx512bw"))) std::size_t FindBlocks64(const char* hay, std::size_t n,
                                                                     std::string_view needle, NeedlePlaces p)
{
    const std::size_t k = needle.size();
    const __m512i first = _mm512_set1_epi8(needle[p.First]);
    const __m512i last = _mm512_set1_epi8(needle[p.Last]);
    const __m512i middle = _mm512_set1_epi8(needle[p.Middle]);
    const std::size_t lastBlock = n - (k - 1) - 64;
    for (std::size_t i = 0;; i += 64) {
        if (i > lastBlock)
            i = lastBlock;
        __mmask64 mask = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(hay + i + p.First), first);
        mask = _mm512_mask_cmpeq_epi8_mask(mask, _mm512_loadu_si512(hay + i + p.Last), last);
        mask = _mm512_mask_cmpeq_epi8_mask(mask, _mm512_loadu_si512(hay + i + p.Middle), middle);
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctzll(mask));
            if (SameBytes(hay + at, needle.data(), k))
                return at;
            mask &= mask - 1;
        }
        if (i == lastBlock)
            return std::string_view::npos;
    }
}
#endif

std::size_t FindPlain(const char* hay, std::size_t n, std::string_view needle)
{
    const void* hit = ::memmem(hay, n, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay) : std::string_view::npos;
}

// The widest block the processor handles: 64, 32, 16, or 0 for none.
int ChooseBlock()
{
#ifdef VY_ANCHORS_WIDE
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw"))
        return 64;
    if (__builtin_cpu_supports("avx2"))
        return 32;
#endif
#if defined(__SSE2__)
    return 16;
#else
    return 0;
#endif
}

// The first place of needle (two bytes or more) in the n bytes at hay.
std::size_t FindBlocks(const char* hay, std::size_t n, std::string_view needle, const NeedlePlaces& places)
{
    static const int widest = ChooseBlock();
    const std::size_t k = needle.size();
#ifdef VY_ANCHORS_WIDE
    if (widest >= 64 && n >= k - 1 + 64)
        return FindBlocks64(hay, n, needle, places);
    if (widest >= 32 && n >= k - 1 + 32)
        return FindBlocks32(hay, n, needle, places);
#endif
#if defined(__SSE2__)
    if (widest >= 16 && n >= k - 1 + 16)
        return FindBlocks16(hay, n, needle, places);
#endif
    (void)widest;
    (void)places;
    return FindPlain(hay, n, needle);
}

}  // namespace

std::size_t FindMarkerAt(std::string_view line, std::string_view needle, const NeedlePlaces& places, std::size_t from)
{
    constexpr std::size_t npos = std::string_view::npos;
    if (from > line.size())
        return npos;
    if (needle.empty())
        return from;
    // An empty line may have no storage at all, which memmem must not see.
    if (line.size() - from < needle.size())
        return npos;
    const char* hay = line.data() + from;
    const std::size_t n = line.size() - from;
    // Many candidate places at a time: a candidate must show three of the
    // needle's bytes at their places, and only those few are compared
    // whole. This beats memmem on lines of a few hundred bytes, where
    // memmem's set-up costs as much as the search.
    if (needle.size() >= 2) {
        const std::size_t at = FindBlocks(hay, n, needle, places);
        return at == npos ? npos : from + at;
    }
    const void* hit = ::memchr(hay, needle[0], n);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - line.data()) : npos;
}

std::size_t FindMarker(std::string_view line, std::string_view needle, std::size_t from)
{
    if (needle.size() < 2)
        return FindMarkerAt(line, needle, NeedlePlaces{}, from);
    return FindMarkerAt(line, needle, PlacesOf(needle), from);
}

PreparedMarker::PreparedMarker(std::string_view needle) : text_(needle)
{
    if (text_.size() >= 2)
        places_ = PlacesOf(text_);
}

}  // namespace vy
