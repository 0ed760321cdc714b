#include "programfolder.h"
#include "searchcontent.h"
#include "searchindex.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace tamsel;

namespace {

enum class Draw {
    Han1,
    Han2,
    Han3,
    Longer,          // any text of 4 to 24 units, spaces included
    LatinMixedCase,
    FullWidthLatin,
    TwoWords,        // two words of one entry
    WordsOfTwo,      // a word of one entry and a word of another
    QuotedWithSpace,
    Nowhere,
};

bool isHan(QChar c)
{
    return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF;
}

bool isLatin(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// What a query takes for a quote: these are drawn only where a query quotes on purpose.
bool isQuote(QChar c)
{
    return c == u'"' || c == u'\uFF02' || c == u'\u201C' || c == u'\u201D';
}

bool isPlain(QChar c)
{
    return !isQuote(c) && !c.isSpace();
}

// A run of `length` units of a random entry's title or body, every unit passing `keep`; empty
// when many tries find none.
template<typename Keep>
QString drawPiece(const SearchContent &content, QRandomGenerator &rng, int length, Keep keep)
{
    for (int tries = 0; tries < 2000; ++tries) {
        const SearchEntry &entry = content.entries[rng.bounded(int(content.entries.size()))];
        const QString &text = rng.bounded(4) == 0 ? entry.title : entry.body;
        if (text.size() < length)
            continue;
        const QStringView piece = QStringView(text).mid(rng.bounded(int(text.size()) - length + 1), length);
        if (std::all_of(piece.begin(), piece.end(), keep))
            return piece.toString();
    }
    return QString();
}

QString mixCase(QString text, QRandomGenerator &rng)
{
    for (QChar &c : text)
        c = rng.bounded(2) ? c.toUpper() : c.toLower();
    return text;
}

QString drawQuery(Draw draw, const SearchContent &content, QRandomGenerator &rng)
{
    switch (draw) {
    case Draw::Han1: return drawPiece(content, rng, 1, isHan);
    case Draw::Han2: return drawPiece(content, rng, 2, isHan);
    case Draw::Han3: return drawPiece(content, rng, 3, isHan);
    case Draw::Longer:
        return drawPiece(content, rng, 4 + rng.bounded(21), [](QChar c) { return !isQuote(c); });
    case Draw::LatinMixedCase: return mixCase(drawPiece(content, rng, 3 + rng.bounded(6), isLatin), rng);
    case Draw::FullWidthLatin: {
        QString text = mixCase(drawPiece(content, rng, 1 + rng.bounded(8), isLatin), rng);
        for (QChar &c : text)
            c = QChar(c.unicode() - u'!' + 0xFF01);
        return text;
    }
    case Draw::TwoWords: {
        QString text = drawPiece(content, rng, 5 + rng.bounded(12), isPlain);
        text[1 + rng.bounded(int(text.size()) - 2)] = u' ';
        return text;
    }
    case Draw::WordsOfTwo:
        return drawPiece(content, rng, 1 + rng.bounded(6), isPlain) + u' '
             + drawPiece(content, rng, 2 + rng.bounded(6), isPlain);
    case Draw::QuotedWithSpace:
        for (int tries = 0; tries < 1000; ++tries) {
            const QString text = drawPiece(content, rng, 4 + rng.bounded(9), [](QChar c) { return !isQuote(c) && c != u'\r' && c != u'\n'; });
            if (text.trimmed().contains(u' '))
                return u'"' + text + u'"';
        }
        return QString();
    case Draw::Nowhere: return drawPiece(content, rng, 3 + rng.bounded(6), isPlain) + u'\uE000';
    }
    return QString();
}

} // namespace

class SearchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void parse_data();
    void parse();
    void agreement_data();
    void agreement();
    void stopping();

private:
    std::shared_ptr<const SearchContent> m_content;
    std::unique_ptr<ScanMatcher> m_scan;
    std::unique_ptr<IndexMatcher> m_index;
    std::unique_ptr<ScanMatcher> m_unfolded; // over articles read as a first search reads them
};

void SearchTest::initTestCase()
{
    auto content = std::make_shared<SearchContent>(loadSearchContent(common::ProgramFolder(QStringLiteral(TEST_PROGRAM_DIR))));
    QVERIFY2(content->unreadable.isEmpty(), qPrintable(content->unreadable.join(u'\n')));
    QVERIFY(content->entries.size() > 500);
    m_content = std::move(content);
    m_scan = std::make_unique<ScanMatcher>(m_content);
    m_index = IndexMatcher::build(m_content);
    QVERIFY(m_index);
    m_unfolded = std::make_unique<ScanMatcher>(std::make_shared<SearchContent>(loadSearchContent(
        common::ProgramFolder(QStringLiteral(TEST_PROGRAM_DIR)), nullptr, ArticleFolding::Later)));
}

void SearchTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("terms");
    QTest::newRow("full-width letters") << u"ＡＰＩ函数"_s << QStringList{u"api函数"_s};
    QTest::newRow("quotes keep a space") << u"\"End  Sub\" 窗体 窗体"_s << QStringList{u"end  sub"_s, u"窗体"_s};
    QTest::newRow("full-width quotes and space") << u"＂Ｅｎｄ　Ｓｕｂ＂"_s << QStringList{u"end sub"_s};
    QTest::newRow("curly quotes") << u"“end sub”"_s << QStringList{u"end sub"_s};
    QTest::newRow("lone quote takes the rest") << u"窗体 \"end sub "_s << QStringList{u"窗体"_s, u"end sub "_s};
    QTest::newRow("lone quote alone") << u"\""_s << QStringList{};
    QTest::newRow("empty quotes") << u"\"\" 的"_s << QStringList{u"的"_s};
}

void SearchTest::parse()
{
    QFETCH(QString, text);
    QFETCH(QStringList, terms);
    QCOMPARE(parseQuery(text).terms, terms);
}

void SearchTest::agreement_data()
{
    QTest::addColumn<Draw>("draw");
    QTest::addColumn<bool>("found"); // the entry the query was drawn from matches it
    QTest::newRow("one Chinese character") << Draw::Han1 << true;
    QTest::newRow("two Chinese characters") << Draw::Han2 << true;
    QTest::newRow("three Chinese characters") << Draw::Han3 << true;
    QTest::newRow("longer text") << Draw::Longer << true;
    QTest::newRow("Latin in mixed case") << Draw::LatinMixedCase << true;
    QTest::newRow("full-width Latin") << Draw::FullWidthLatin << true;
    QTest::newRow("two words of one entry") << Draw::TwoWords << true;
    QTest::newRow("words of two entries") << Draw::WordsOfTwo << false;
    QTest::newRow("quoted with a space") << Draw::QuotedWithSpace << true;
    QTest::newRow("nowhere") << Draw::Nowhere << false;
}

// Both matchers give the same ranked hits, and every hit holds every piece of the query.
void SearchTest::agreement()
{
    QFETCH(Draw, draw);
    QFETCH(bool, found);
    QRandomGenerator rng(20240611u + quint32(draw));
    for (int n = 0; n < 150; ++n) {
        const QString text = drawQuery(draw, *m_content, rng);
        QVERIFY2(!text.isEmpty(), "the sample content has no such text");
        const SearchQuery query = parseQuery(text);
        if (query.isEmpty()) // longer text that was all spaces
            continue;
        auto failed = qScopeGuard([&text] { qWarning("query: %s", qUtf8Printable(text)); });
        if (draw == Draw::QuotedWithSpace)
            QVERIFY(query.terms.size() == 1 && query.terms.first().contains(u' '));
        const SearchResults scanned = m_scan->search(query);
        const SearchResults indexed = m_index->search(query);
        QVERIFY(!indexed.abandoned);
        QCOMPARE(indexed.hits, scanned.hits);
        QCOMPARE(indexed.perKind, scanned.perKind);
        QCOMPARE(m_unfolded->search(query).hits, scanned.hits);
        for (const SearchHit &hit : indexed.hits) {
            const SearchEntry &entry = m_content->entries[hit.entry];
            for (const QString &term : query.terms)
                QVERIFY(entry.foldedTitle.contains(term) || entry.foldedBody.contains(term));
        }
        QVERIFY(!found || !indexed.hits.isEmpty());
        QVERIFY(draw != Draw::Nowhere || indexed.hits.isEmpty());
        failed.dismiss();
    }
}

void SearchTest::stopping()
{
    const std::atomic_bool set = true;
    QVERIFY(!IndexMatcher::build(m_content, &set));
    for (const QString &text : {u"的"_s, u"end sub"_s}) {
        const SearchResults results = m_index->search(parseQuery(text), &set);
        QVERIFY(results.abandoned);
        QVERIFY(results.hits.isEmpty());
    }
}

QTEST_GUILESS_MAIN(SearchTest)
#include "test_search.moc"
