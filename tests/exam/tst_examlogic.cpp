#include "answerreview.h"
#include "bankfixture.h"
#include "database.h"
#include "questioncursor.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quorvi;
using namespace Qt::StringLiterals;

namespace {

// A question cursor on its own connection to the bank.
struct Bank
{
    explicit Bank(const QString &path)
        : database(common::Database::open(path, common::Database::Access::ReadWrite))
        , questions(database->openRecordset(QStringLiteral("第一套题")))
    {
    }

    std::unique_ptr<common::Database> database;
    std::unique_ptr<common::Recordset> questions;
    QuestionCursor cursor{*questions};
};

} // namespace

class ExamLogicTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void moves_data();
    void moves();

private:
    QString bankPath() const { return m_dir->filePath(QStringLiteral("shiti.mdb")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void ExamLogicTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void ExamLogicTest::moves_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QVariantList>("answers");
    QTest::addColumn<QString>("moves"); // n: next, p: previous, r: collect the review rows
    QTest::addColumn<QString>("trace"); // a step: 1 it succeeded, 0 it failed; a review: [its rows]
    QTest::addColumn<int>("position");

    const QVariantList none;
    QTest::newRow("back from the first") << 3 << none << "p" << "0" << 0;
    QTest::newRow("forward to the last and beyond") << 3 << none << "nnn" << "110" << 2;
    QTest::newRow("back again after the end") << 3 << none << "nnnp" << "1101" << 1;
    QTest::newRow("two questions") << 2 << none << "nnpp" << "1010" << 0;
    QTest::newRow("one question") << 1 << none << "np" << "00" << 0;
    QTest::newRow("review of five, from the middle")
        << 5 << QVariantList{u"C"_s, u"D"_s, u"A"_s} << "nnr" << "11[1 C A,2 D B]" << 4;
    QTest::newRow("review: never answered is empty")
        << 3 << QVariantList{QVariant(), u""_s} << "rp" << "[1  A,2  B]1" << 1;
    QTest::newRow("review of two") << 2 << QVariantList{u"B"_s} << "nr" << "1[1 B A,2  B]" << 1;
    QTest::newRow("review of one") << 1 << QVariantList{u"D"_s} << "r" << "[1 D A]" << 0;
    QTest::newRow("review of none") << 0 << none << "r" << "[]" << -1;
}

void ExamLogicTest::moves()
{
    QFETCH(int, count);
    QFETCH(QVariantList, answers);
    QFETCH(QString, moves);
    QFETCH(QString, trace);
    QFETCH(int, position);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(count, answers));
    Bank bank(bankPath());
    QString seen;
    for (QChar move : moves) {
        if (move == u'r') {
            QStringList rows;
            for (const ReviewRow &row : AnswerReview::collect(bank.cursor))
                rows.append(row.number + u' ' + row.userAnswer + u' ' + row.standardAnswer);
            seen += u'[' + rows.join(u',') + u']';
        } else {
            seen += (move == u'n' ? bank.cursor.next() : bank.cursor.previous()) ? u'1' : u'0';
        }
    }
    QCOMPARE(seen, trace);
    QCOMPARE(bank.cursor.position(), position);
    if (position >= 0)
        QCOMPARE(bank.cursor.questionText(), bankfixture::questionText(position + 1));
}

QTEST_GUILESS_MAIN(ExamLogicTest)
#include "tst_examlogic.moc"
