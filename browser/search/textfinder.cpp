#include "textfinder.h"

#include <algorithm>

namespace tamsel {

namespace {

// The first match that ends after `position`: matches do not overlap, so their ends are in order too.
qsizetype firstEndingAfter(const QList<TextMatch> &matches, qsizetype position)
{
    return std::partition_point(matches.cbegin(), matches.cend(),
                                [position](const TextMatch &m) { return m.position + m.length <= position; })
        - matches.cbegin();
}

qsizetype firstStartingFrom(const QList<TextMatch> &matches, qsizetype position)
{
    return std::partition_point(matches.cbegin(), matches.cend(),
                                [position](const TextMatch &m) { return m.position < position; })
        - matches.cbegin();
}

} // namespace

void TextFinder::replace(qsizetype position, qsizetype removed, QStringView added)
{
    rewind(position);
    if (removed == 0 && position == m_folded.size())
        m_folded += foldText(added); // an article streaming in: room grows ahead
    else
        m_folded.replace(position, removed, foldText(added));
}

void TextFinder::setQuery(const QString &text)
{
    m_query = parseQuery(text);
    m_longestTerm = 0;
    for (const QString &term : std::as_const(m_query.terms))
        m_longestTerm = std::max(m_longestTerm, term.size());
    m_matches.clear();
    m_searched = 0;
}

bool TextFinder::searchOn(qsizetype units)
{
    if (m_query.isEmpty())
        m_searched = m_folded.size();
    const qsizetype end = std::min(m_folded.size(), m_searched + units);
    if (end <= m_searched)
        return searchedAll();
    // A match that starts within the longest piece's reach of the end searched may give way to a
    // longer or an earlier one that the further text completes; those before it are final. The
    // search goes on from the first place where such a match can start.
    const qsizetype settled = m_searched - m_longestTerm;
    m_matches.erase(m_matches.begin() + firstStartingFrom(m_matches, settled + 1), m_matches.end());
    qsizetype from = std::max<qsizetype>(0, settled + 1);
    if (!m_matches.isEmpty())
        from = std::max(from, m_matches.last().position + m_matches.last().length);
    const QList<TextMatch> found = findMatches(QStringView(m_folded).sliced(from, end - from), m_query);
    m_matches.reserve(m_matches.size() + found.size());
    for (const TextMatch &match : found)
        m_matches.append({match.position + from, match.length});
    m_searched = end;
    return searchedAll();
}

qsizetype TextFinder::firstFrom(qsizetype position) const
{
    const qsizetype index = firstStartingFrom(m_matches, position);
    return index < m_matches.size() ? index : -1;
}

qsizetype TextFinder::lastBefore(qsizetype position) const
{
    return firstStartingFrom(m_matches, position) - 1;
}

qsizetype TextFinder::indexOf(qsizetype position, qsizetype length) const
{
    const qsizetype index = firstStartingFrom(m_matches, position);
    return index < m_matches.size() && m_matches[index] == TextMatch{position, length} ? index : -1;
}

void TextFinder::rewind(qsizetype position)
{
    if (position >= m_searched)
        return;
    m_searched = position;
    m_matches.erase(m_matches.begin() + firstEndingAfter(m_matches, position), m_matches.end());
}

} // namespace tamsel
