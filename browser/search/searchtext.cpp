#include "searchtext.h"

#include <algorithm>

namespace tamsel {

namespace {

// Characters of context shown before a match; the rest of the line follows it.
constexpr qsizetype kBefore = 16;
constexpr qsizetype kContextLength = 80;

} // namespace

QChar foldChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return (u >= u'A' && u <= u'Z') ? QChar(u + 0x20) : c;
    if (u >= 0xFF01 && u <= 0xFF5E) // full-width ! to ~
        return foldChar(QChar(u - 0xFF01 + 0x21));
    if (u == 0x3000) // ideographic space
        return QChar(u' ');
    if (c.isSurrogate())
        return c;
    // Other letters with a case fold to one unit of the same plane only: positions must not move.
    const char32_t folded = QChar::toCaseFolded(char32_t(u));
    return folded <= 0xFFFF ? QChar(char16_t(folded)) : c;
}

QString foldText(QStringView text)
{
    QString folded(text.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(folded.data());
    const char16_t *in = text.utf16();
    const qsizetype size = text.size();
    // Capital ASCII letters without a branch, which the compiler turns into vector code; then
    // the few units outside ASCII and CJK, which need the table.
    for (qsizetype i = 0; i < size; ++i)
        out[i] = char16_t(in[i] + (char16_t(unsigned(in[i] - u'A') < 26u) << 5));
    for (qsizetype i = 0; i < size; ++i) {
        if (in[i] >= 0x80 && (in[i] <= 0x3000 || in[i] >= 0xFF00))
            out[i] = foldChar(QChar(in[i])).unicode();
    }
    return folded;
}

SearchQuery parseQuery(const QString &text)
{
    SearchQuery query;
    query.text = text;
    const QString folded = foldText(text);
    auto add = [&query](QStringView piece) {
        if (!piece.isEmpty() && !query.terms.contains(piece))
            query.terms.append(piece.toString());
    };
    QString word;
    bool quoted = false;
    for (const QChar c : folded) {
        if (c == u'"' || c == u'\u201C' || c == u'\u201D') {
            add(quoted ? QStringView(word) : QStringView(word).trimmed());
            word.clear();
            quoted = !quoted;
        } else if (!quoted && c.isSpace()) {
            add(word);
            word.clear();
        } else {
            word += c;
        }
    }
    // An unclosed quote takes the rest as one piece.
    add(quoted ? QStringView(word) : QStringView(word).trimmed());
    query.whole = query.terms.join(u' ');
    return query;
}

bool foldsToItself(QStringView term)
{
    // CJK punctuation, kana and ideographs, and the compatibility ideographs.
    return std::all_of(term.begin(), term.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u > 0x3000 && u < 0xA000) || (u >= 0xF900 && u < 0xFB00);
    });
}

qsizetype findTerm(QStringView folded, QStringView term, qsizetype from)
{
    if (term.isEmpty())
        return -1;
    // The first unit is found by the vectorised search for one character; the rest is compared.
    const QChar head = term.front();
    const QStringView tail = term.sliced(1);
    const qsizetype last = folded.size() - term.size();
    for (qsizetype at = folded.indexOf(head, from); at >= 0 && at <= last; at = folded.indexOf(head, at + 1)) {
        if (folded.sliced(at + 1, tail.size()) == tail)
            return at;
    }
    return -1;
}

TextMatch firstMatch(QStringView folded, const SearchQuery &query)
{
    TextMatch first{-1, 0};
    for (const QString &term : query.terms) {
        const qsizetype at = findTerm(first.position < 0 ? folded : folded.first(std::min(folded.size(), first.position + term.size())), term);
        if (at >= 0 && (first.position < 0 || at < first.position || (at == first.position && term.size() > first.length)))
            first = {at, term.size()};
    }
    return first;
}

QList<TextMatch> findMatches(QStringView folded, const SearchQuery &query)
{
    QList<TextMatch> all;
    for (const QString &term : query.terms) {
        for (qsizetype at = findTerm(folded, term); at >= 0; at = findTerm(folded, term, at + term.size()))
            all.append({at, term.size()});
    }
    if (query.terms.size() < 2)
        return all;
    std::sort(all.begin(), all.end(), [](const TextMatch &a, const TextMatch &b) {
        return a.position != b.position ? a.position < b.position : a.length > b.length;
    });
    QList<TextMatch> kept;
    kept.reserve(all.size());
    for (const TextMatch &match : all) {
        if (kept.isEmpty() || match.position >= kept.last().position + kept.last().length)
            kept.append(match);
    }
    return kept;
}

TextContext contextAround(const QString &text, TextMatch match)
{
    const qsizetype lineStart = [&] {
        const qsizetype cr = text.lastIndexOf(u'\r', match.position);
        const qsizetype lf = text.lastIndexOf(u'\n', match.position);
        return std::max(cr, lf) + 1;
    }();
    qsizetype lineEnd = text.size();
    for (const QChar end : {u'\r', u'\n'}) {
        const qsizetype at = text.indexOf(end, match.position + match.length);
        if (at >= 0)
            lineEnd = std::min(lineEnd, at);
    }
    // A match near the start of its line shows the line from its start.
    const qsizetype from = match.position - lineStart <= 2 * kBefore ? lineStart : match.position - kBefore;
    const qsizetype to = std::min(lineEnd, std::max(match.position + match.length, from + kContextLength));
    QString line = text.mid(from, to - from);
    qsizetype start = match.position - from;
    // Leading spaces and tabs would push the match out of sight.
    qsizetype trimmed = 0;
    while (trimmed < start && line[trimmed].isSpace())
        ++trimmed;
    line.remove(0, trimmed);
    start -= trimmed;
    line.replace(u'\t', u' ');
    if (from > lineStart) {
        line.prepend(u'…');
        ++start;
    }
    if (to < lineEnd)
        line.append(u'…');
    return {line, start, match.length};
}

} // namespace tamsel
