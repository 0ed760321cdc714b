#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace tamsel {

// Folds one UTF-16 unit for comparison: full-width ASCII becomes its half-width form and letters
// lose their case. One unit in, one unit out, so a position in a folded text is the same position
// in the text it was folded from.
QChar foldChar(QChar c);
QString foldText(QStringView text);

// What the user typed, as literal pieces that must all occur: words separated by spaces, and text
// in double quotes as one piece with its spaces. Every piece is folded; none is empty.
struct SearchQuery
{
    QString text;      // as typed
    QStringList terms; // folded, in the order typed, without repeats
    QString whole;     // the folded pieces joined by one space: what a title equal to the query holds

    bool isEmpty() const { return terms.isEmpty(); }
};
SearchQuery parseQuery(const QString &text);

struct TextMatch
{
    qsizetype position;
    qsizetype length;
    bool operator==(const TextMatch &) const = default;
};

// Where any piece of the query occurs in a folded text, in text order. Where two pieces overlap
// the earlier (and then the longer) wins; occurrences of one piece do not overlap.
QList<TextMatch> findMatches(QStringView folded, const SearchQuery &query);
// The first occurrence of any piece, or position -1.
TextMatch firstMatch(QStringView folded, const SearchQuery &query);
// Whether a piece is found in a text at the same places as in the text's folded form: it holds
// only characters that neither change when folded nor are what another character folds to.
bool foldsToItself(QStringView term);
// Where the piece next occurs in a folded text from `from` on, or -1. Faster than a plain
// QStringView::indexOf for the short pieces people type.
qsizetype findTerm(QStringView folded, QStringView term, qsizetype from = 0);

// The line of a text around a match, cut to a length that fits a list row, and where the match
// lies in what is shown.
struct TextContext
{
    QString text;
    qsizetype start;
    qsizetype length;
};
TextContext contextAround(const QString &text, TextMatch match);

} // namespace tamsel
