#include "searchmatcher.h"

#include <algorithm>

namespace tamsel {

namespace {

HitRank titleRank(const QString &title, const SearchQuery &query)
{
    if (title == query.whole)
        return HitRank::TitleEqual;
    const bool every = std::all_of(query.terms.cbegin(), query.terms.cend(),
                                   [&title](const QString &term) { return title.contains(term); });
    if (!every)
        return HitRank::Body;
    return title.startsWith(query.terms.first()) ? HitRank::TitleBegins : HitRank::TitleContains;
}

} // namespace

std::optional<SearchHit> matchEntry(const SearchEntry &entry, qsizetype index, const SearchQuery &query)
{
    if (query.isEmpty())
        return std::nullopt;
    // One pass over the body for each piece: its count and its first place together.
    SearchHit hit{index, HitRank::Body, 0, {-1, 0}, false};
    // A text read without folding is folded here for the pieces that need it.
    QString foldedHere;
    for (const QString &term : query.terms) {
        if (!entry.bodyFolded && foldedHere.isNull() && !foldsToItself(term))
            foldedHere = foldText(entry.body);
        const QStringView body = entry.bodyFolded ? QStringView(entry.foldedBody)
                                 : foldsToItself(term) ? QStringView(entry.body)
                                                       : QStringView(foldedHere);
        qsizetype count = 0;
        for (qsizetype at = findTerm(body, term); at >= 0; at = findTerm(body, term, at + term.size())) {
            if (count++ == 0 && (hit.first.position < 0 || at < hit.first.position
                                 || (at == hit.first.position && term.size() > hit.first.length)))
                hit.first = {at, term.size()};
        }
        if (count == 0 && findTerm(entry.foldedTitle, term) < 0)
            return std::nullopt;
        hit.bodyHits += count;
    }
    hit.rank = titleRank(entry.foldedTitle, query);
    if (hit.first.position < 0) {
        hit.first = firstMatch(entry.foldedTitle, query);
        hit.firstInTitle = true;
    }
    return hit;
}

SearchResults rankHits(const SearchContent &content, QList<SearchHit> hits)
{
    std::stable_sort(hits.begin(), hits.end(), [](const SearchHit &a, const SearchHit &b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        // Among title matches the catalogue's order holds; body matches go by how often.
        if (a.rank == HitRank::Body && a.bodyHits != b.bodyHits)
            return a.bodyHits > b.bodyHits;
        return a.entry < b.entry;
    });
    SearchResults results;
    for (const SearchHit &hit : hits)
        ++results.perKind[std::size_t(content.entries[hit.entry].kind)];
    results.hits = std::move(hits);
    return results;
}

ScanMatcher::ScanMatcher(std::shared_ptr<const SearchContent> content)
    : m_content(std::move(content))
{
}

SearchResults ScanMatcher::search(const SearchQuery &query, const std::atomic_bool *stale) const
{
    QList<SearchHit> hits;
    const QList<SearchEntry> &entries = m_content->entries;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        // An entry may be a long article: a newer query is looked for before each.
        if (stale && stale->load(std::memory_order_relaxed)) {
            SearchResults abandoned;
            abandoned.abandoned = true;
            return abandoned;
        }
        if (auto hit = matchEntry(entries[i], i, query))
            hits.append(*hit);
    }
    return rankHits(*m_content, std::move(hits));
}

} // namespace tamsel
