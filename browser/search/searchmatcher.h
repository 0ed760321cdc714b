#pragma once

#include "searchcontent.h"
#include "searchtext.h"

#include <QList>

#include <array>
#include <atomic>
#include <memory>
#include <optional>

namespace tamsel {

// How well an entry matches: lower ranks first.
enum class HitRank { TitleEqual, TitleBegins, TitleContains, Body };

struct SearchHit
{
    qsizetype entry; // index into SearchContent::entries
    HitRank rank;
    qsizetype bodyHits;  // occurrences of every piece in the body
    TextMatch first;     // the first match in the body, or in the title when the body has none
    bool firstInTitle;
    bool operator==(const SearchHit &) const = default;
};

struct SearchResults
{
    QList<SearchHit> hits; // ranked: rank, then more body hits, then content order
    std::array<qsizetype, kSearchKinds> perKind{};
    bool abandoned = false; // a newer query came first; the hits are incomplete
};

// Whether the entry holds every piece of the query, and how well it matches.
std::optional<SearchHit> matchEntry(const SearchEntry &entry, qsizetype index, const SearchQuery &query);
// Puts hits found in content order into ranked order and counts them per kind.
SearchResults rankHits(const SearchContent &content, QList<SearchHit> hits);

// Finds the entries that match a query. `stale` is checked now and then: once it is set the
// search is abandoned.
class SearchMatcher
{
public:
    virtual ~SearchMatcher() = default;
    virtual SearchResults search(const SearchQuery &query, const std::atomic_bool *stale = nullptr) const = 0;
    // Memory the matcher holds besides the content itself.
    virtual qsizetype memoryBytes() const { return 0; }
};

// Looks at every entry's text in turn: no preparation, for content of any size.
class ScanMatcher : public SearchMatcher
{
public:
    explicit ScanMatcher(std::shared_ptr<const SearchContent> content);
    SearchResults search(const SearchQuery &query, const std::atomic_bool *stale = nullptr) const override;

private:
    std::shared_ptr<const SearchContent> m_content;
};

} // namespace tamsel
