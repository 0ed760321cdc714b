#pragma once

#include "searchmatcher.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tamsel {

// Finds matches through an index of the trigrams (three UTF-16 units) of every folded title and
// body: the entries that hold all trigrams of the query's pieces of three units or more are the
// candidates, and each is checked with matchEntry() as a scan would, so the results are the
// scan's. A query whose pieces are all shorter looks at every entry.
class IndexMatcher : public SearchMatcher
{
public:
    // Builds on the calling thread and, for large content, on one more. Returns nullptr when
    // `cancel` is set meanwhile.
    static std::unique_ptr<IndexMatcher> build(std::shared_ptr<const SearchContent> content,
                                               const std::atomic_bool *cancel = nullptr);

    SearchResults search(const SearchQuery &query, const std::atomic_bool *stale = nullptr) const override;

    // The index's own memory, without the content it points into.
    qsizetype memoryBytes() const override;

    // A run of consecutive entries with posting lists of its own, built and searched by one thread.
    struct Segment
    {
        qsizetype first = 0;
        qsizetype end = 0;
        std::vector<std::uint32_t> offsets; // where each bucket's list starts in `postings`, and its end
        std::vector<std::uint8_t> postings; // per bucket, ascending entry numbers as gaps, 7 bits a byte
    };

private:
    IndexMatcher(std::shared_ptr<const SearchContent> content, int bucketBits);

    std::shared_ptr<const SearchContent> m_content;
    int m_bucketBits;
    std::vector<Segment> m_segments;
};

} // namespace tamsel
