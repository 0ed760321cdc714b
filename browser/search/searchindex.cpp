#include "searchindex.h"

#include <algorithm>
#include <bit>
#include <exception>
#include <numeric>
#include <thread>

namespace tamsel {

namespace {

// Below this many units of text one thread builds and checks: a second costs more than it saves.
constexpr qsizetype kParallelFrom = qsizetype(1) << 20;
// A segment holds about this many units at most, so that its postings fit 32-bit offsets.
constexpr qsizetype kSegmentUnits = qsizetype(1) << 28;
// Entries built between two looks at the cancel flag.
constexpr qsizetype kCancelEvery = 64;

bool isSet(const std::atomic_bool *flag)
{
    return flag && flag->load(std::memory_order_relaxed);
}

bool twoCores()
{
    return std::thread::hardware_concurrency() > 1;
}

qsizetype unitsOf(const SearchEntry &entry)
{
    return entry.foldedTitle.size() + entry.foldedBody.size();
}

// About one bucket for every 16 units: distinct trigrams are far fewer than positions, and a
// bucket shared by two trigrams only adds candidates that the check then drops.
int bucketBits(qsizetype units)
{
    return std::clamp(int(std::bit_width(std::uint64_t(units / 16))), 10, 20);
}

// Calls visit(bucket) for every trigram of the text, in text order.
template<typename Visit>
void forEachTrigram(QStringView text, int bits, Visit &&visit)
{
    if (text.size() < 3)
        return;
    const char16_t *units = text.utf16();
    std::uint64_t key = (std::uint64_t(units[0]) << 16) | units[1];
    for (qsizetype i = 2; i < text.size(); ++i) {
        key = ((key << 16) | units[i]) & 0xFFFF'FFFF'FFFFu;
        visit(std::uint32_t((key * 0x9E37'79B9'7F4A'7C15u) >> (64 - bits)));
    }
}

int gapBytes(std::uint32_t gap)
{
    return gap < (1u << 7) ? 1 : gap < (1u << 14) ? 2 : gap < (1u << 21) ? 3 : gap < (1u << 28) ? 4 : 5;
}

std::uint8_t *putGap(std::uint8_t *out, std::uint32_t gap)
{
    for (; gap >= 0x80; gap >>= 7)
        *out++ = std::uint8_t(gap | 0x80);
    *out++ = std::uint8_t(gap);
    return out;
}

std::uint32_t takeGap(const std::uint8_t *&in)
{
    std::uint32_t gap = 0;
    for (int shift = 0;; shift += 7) {
        const std::uint8_t byte = *in++;
        gap |= std::uint32_t(byte & 0x7F) << shift;
        if (byte < 0x80)
            return gap;
    }
}

// Runs work(i) for every i below count, on this thread and, when `parallel`, on one more.
template<typename Work>
void runSpread(qsizetype count, bool parallel, const Work &work)
{
    std::atomic<qsizetype> next = 0;
    const auto loop = [&] {
        for (qsizetype i; (i = next.fetch_add(1)) < count;)
            work(i);
    };
    if (!parallel || count < 2) {
        loop();
        return;
    }
    std::exception_ptr failure;
    std::thread helper([&] {
        try {
            loop();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        loop();
    } catch (...) {
        helper.join();
        throw;
    }
    helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

// Cuts items 0..count-1 into consecutive runs of about `share` units each; gives where each ends.
template<typename Units>
std::vector<std::size_t> cutRuns(std::size_t count, qsizetype share, const Units &unitsAt)
{
    std::vector<std::size_t> ends;
    qsizetype sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += unitsAt(i);
        if (sum >= share || i + 1 == count) {
            ends.push_back(i + 1);
            sum = 0;
        }
    }
    return ends;
}

// Runs of entries of about equal text, one per thread, more when the text is huge.
std::vector<IndexMatcher::Segment> splitSegments(const QList<SearchEntry> &entries, qsizetype units)
{
    const qsizetype threads = units >= kParallelFrom && twoCores() ? 2 : 1;
    const qsizetype share = units / std::max(threads, units / kSegmentUnits + 1) + 1;
    std::vector<IndexMatcher::Segment> segments;
    qsizetype first = 0;
    for (const std::size_t end : cutRuns(std::size_t(entries.size()), share,
                                         [&entries](std::size_t e) { return unitsOf(entries[qsizetype(e)]); })) {
        segments.push_back({first, qsizetype(end), {}, {}});
        first = qsizetype(end);
    }
    if (segments.empty())
        segments.push_back({0, 0, {}, {}});
    return segments;
}

// A bucket while its lists are built: the last entry that held it (numbered from the segment's
// first, plus one: 0 is none), and first the size, then the write position of its list.
struct Cell
{
    std::uint32_t last = 0;
    std::uint32_t bytes = 0;
};

// Two passes over the trigrams: the first sizes every list, the second writes the lists into one
// array. Hashing a trigram again costs less than keeping every entry's buckets between the passes.
bool buildSegment(const QList<SearchEntry> &entries, int bits, IndexMatcher::Segment &segment,
                  const std::atomic_bool *cancel)
{
    std::vector<Cell> cells(std::size_t(1) << bits);
    const auto eachEntry = [&](auto &&visit) {
        for (qsizetype e = segment.first; e < segment.end; ++e) {
            if ((e - segment.first) % kCancelEvery == 0 && isSet(cancel))
                return false;
            const auto number = std::uint32_t(e - segment.first + 1);
            const auto once = [&](std::uint32_t bucket) {
                // Each bucket once an entry: its last entry is kept in its cell.
                Cell &cell = cells[bucket];
                if (cell.last != number) {
                    visit(cell, number);
                    cell.last = number;
                }
            };
            forEachTrigram(entries[e].foldedTitle, bits, once);
            forEachTrigram(entries[e].foldedBody, bits, once);
        }
        return true;
    };
    if (!eachEntry([](Cell &cell, std::uint32_t number) { cell.bytes += gapBytes(number - cell.last); }))
        return false;

    segment.offsets.resize(cells.size() + 1);
    std::uint32_t total = 0;
    for (std::size_t b = 0; b < cells.size(); ++b) {
        segment.offsets[b] = total;
        total += cells[b].bytes;
        cells[b] = {0, segment.offsets[b]};
    }
    segment.offsets.back() = total;
    segment.postings.resize(total);
    std::uint8_t *const postings = segment.postings.data();
    return eachEntry([postings](Cell &cell, std::uint32_t number) {
        cell.bytes = std::uint32_t(putGap(postings + cell.bytes, number - cell.last) - postings);
    });
}

// Appends the segment's entries whose lists hold every bucket.
void addCandidates(const IndexMatcher::Segment &segment, const std::vector<std::uint32_t> &buckets,
                   std::vector<qsizetype> &found)
{
    const auto listOf = [&segment](std::uint32_t bucket) {
        const std::uint8_t *data = segment.postings.data();
        return std::pair(data + segment.offsets[bucket], data + segment.offsets[bucket + 1]);
    };
    // The shortest list first: from there the candidates only shrink.
    std::vector<std::uint32_t> order = buckets;
    std::sort(order.begin(), order.end(), [&listOf](std::uint32_t a, std::uint32_t b) {
        const auto [aBegin, aEnd] = listOf(a);
        const auto [bBegin, bEnd] = listOf(b);
        return aEnd - aBegin < bEnd - bBegin;
    });
    std::vector<std::uint32_t> kept;
    std::uint32_t number = 0;
    for (auto [in, end] = listOf(order.front()); in < end;)
        kept.push_back(number += takeGap(in));
    for (std::size_t i = 1; i < order.size() && !kept.empty(); ++i) {
        std::size_t k = 0;
        std::size_t out = 0;
        number = 0;
        for (auto [in, end] = listOf(order[i]); in < end && k < kept.size();) {
            number += takeGap(in);
            while (k < kept.size() && kept[k] < number)
                ++k;
            if (k < kept.size() && kept[k] == number)
                kept[out++] = kept[k++];
        }
        kept.resize(out);
    }
    for (const std::uint32_t n : kept)
        found.push_back(segment.first + qsizetype(n) - 1);
}

} // namespace

IndexMatcher::IndexMatcher(std::shared_ptr<const SearchContent> content, int bucketBits)
    : m_content(std::move(content))
    , m_bucketBits(bucketBits)
{
}

std::unique_ptr<IndexMatcher> IndexMatcher::build(std::shared_ptr<const SearchContent> content,
                                                  const std::atomic_bool *cancel)
{
    const QList<SearchEntry> &entries = content->entries;
    qsizetype units = 0;
    for (const SearchEntry &entry : entries)
        units += unitsOf(entry);
    std::unique_ptr<IndexMatcher> index(new IndexMatcher(std::move(content), bucketBits(units)));
    index->m_segments = splitSegments(entries, units);
    std::vector<Segment> &segments = index->m_segments;
    runSpread(qsizetype(segments.size()), segments.size() > 1, [&](qsizetype i) {
        buildSegment(entries, index->m_bucketBits, segments[std::size_t(i)], cancel);
    });
    if (isSet(cancel))
        return nullptr;
    return index;
}

SearchResults IndexMatcher::search(const SearchQuery &query, const std::atomic_bool *stale) const
{
    if (query.isEmpty())
        return rankHits(*m_content, {});
    std::vector<std::uint32_t> buckets;
    for (const QString &term : query.terms)
        forEachTrigram(term, m_bucketBits, [&buckets](std::uint32_t bucket) { buckets.push_back(bucket); });
    std::sort(buckets.begin(), buckets.end());
    buckets.erase(std::unique(buckets.begin(), buckets.end()), buckets.end());

    const QList<SearchEntry> &entries = m_content->entries;
    std::vector<qsizetype> found; // in content order
    if (buckets.empty()) {
        // No piece has a trigram: every entry is looked at, as a scan does.
        found.resize(std::size_t(entries.size()));
        std::iota(found.begin(), found.end(), qsizetype(0));
    } else {
        for (const Segment &segment : m_segments)
            addCandidates(segment, buckets, found);
    }
    qsizetype units = 0;
    for (const qsizetype e : found)
        units += unitsOf(entries[e]);
    // Checking the candidates is the work: two threads share it, in runs of about equal text.
    const std::vector<std::size_t> ends = cutRuns(found.size(), std::max(units / 32, kParallelFrom / 16),
                                                  [&](std::size_t i) { return unitsOf(entries[found[i]]); });
    std::vector<QList<SearchHit>> hits(ends.size());
    std::atomic_bool abandoned = false;
    runSpread(qsizetype(ends.size()), units >= kParallelFrom && twoCores(), [&](qsizetype run) {
        for (std::size_t i = run ? ends[std::size_t(run) - 1] : 0; i < ends[std::size_t(run)]; ++i) {
            if (isSet(stale) || isSet(&abandoned)) {
                abandoned = true;
                return;
            }
            if (auto hit = matchEntry(entries[found[i]], found[i], query))
                hits[std::size_t(run)].append(*hit);
        }
    });
    if (abandoned) {
        SearchResults results;
        results.abandoned = true;
        return results;
    }
    QList<SearchHit> all;
    for (const QList<SearchHit> &part : hits)
        all.append(part);
    return rankHits(*m_content, std::move(all));
}

qsizetype IndexMatcher::memoryBytes() const
{
    qsizetype bytes = sizeof(*this) + qsizetype(m_segments.capacity() * sizeof(Segment));
    for (const Segment &segment : m_segments)
        bytes += qsizetype(segment.offsets.capacity() * sizeof(std::uint32_t) + segment.postings.capacity());
    return bytes;
}

} // namespace tamsel
