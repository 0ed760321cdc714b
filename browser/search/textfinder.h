#pragma once

#include "searchtext.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace tamsel {

// The matches of a query in a text that changes while it is searched: an article grows at its end
// as it streams in, and the user may edit it anywhere. The text is kept folded, so a position in
// it is the position in the text given. The search goes on a slice at a time (searchOn), so that a
// large text never holds up the window; the matches found so far are those of the text searched.
class TextFinder
{
public:
    // Puts `added` in place of `removed` units at `position`.
    void replace(qsizetype position, qsizetype removed, QStringView added);
    qsizetype size() const { return m_folded.size(); }

    // The search starts again from the beginning.
    void setQuery(const QString &text);
    const SearchQuery &query() const { return m_query; }

    // Searches at most `units` more of the text; returns whether all of it has been searched.
    bool searchOn(qsizetype units);
    bool searchedAll() const { return m_searched == m_folded.size(); }

    // In text order, none overlapping.
    const QList<TextMatch> &matches() const { return m_matches; }
    // The first match at or after `position`, or -1.
    qsizetype firstFrom(qsizetype position) const;
    // The last match before `position`, or -1.
    qsizetype lastBefore(qsizetype position) const;
    // The match that covers exactly this range, or -1.
    qsizetype indexOf(qsizetype position, qsizetype length) const;

private:
    // Forgets what was found from `position` on.
    void rewind(qsizetype position);

    QString m_folded;
    SearchQuery m_query;
    qsizetype m_longestTerm = 0;
    qsizetype m_searched = 0; // the text before this has been searched
    QList<TextMatch> m_matches;
};

} // namespace tamsel
