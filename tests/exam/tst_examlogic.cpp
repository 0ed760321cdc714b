#include "answerreview.h"
#include "answerstore.h"
#include "bankfixture.h"
#include "database.h"
#include "questioncursor.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quorvi;
using namespace Qt::StringLiterals;

namespace {

// One program's view of the bank: its own connection, cursor and answer store.
struct Instance
{
    explicit Instance(const QString &path)
        : database(common::Database::open(path, common::Database::Access::ReadWrite))
        , questions(database->openRecordset(QStringLiteral("第一套题")))
        , cursor(*questions)
        , answers(*questions)
    {
    }

    std::unique_ptr<common::Database> database;
    std::unique_ptr<common::Recordset> questions;
    QuestionCursor cursor;
    AnswerStore answers;
};

} // namespace

class ExamLogicTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void steps_data();
    void steps();
    void review_data();
    void review();
    void storedButton_data();
    void storedButton();
    void twoInstancesInterleave();

private:
    QString bankPath() const { return m_dir->filePath(QStringLiteral("shiti.mdb")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void ExamLogicTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void ExamLogicTest::steps_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("moves");    // n: next, p: previous
    QTest::addColumn<QString>("outcomes"); // 1: the step succeeded, 0: it failed
    QTest::addColumn<int>("position");

    QTest::newRow("back from the first") << 3 << "p" << "0" << 0;
    QTest::newRow("forward to the last and beyond") << 3 << "nnn" << "110" << 2;
    QTest::newRow("back again after the end") << 3 << "nnnp" << "1101" << 1;
    QTest::newRow("two questions") << 2 << "nnpp" << "1010" << 0;
    QTest::newRow("one question") << 1 << "np" << "00" << 0;
}

void ExamLogicTest::steps()
{
    QFETCH(int, count);
    QFETCH(QString, moves);
    QFETCH(QString, outcomes);
    QFETCH(int, position);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(count));
    Instance bank(bankPath());
    QString seen;
    for (QChar move : moves)
        seen += (move == u'n' ? bank.cursor.next() : bank.cursor.previous()) ? u'1' : u'0';
    QCOMPARE(seen, outcomes);
    QCOMPARE(bank.cursor.position(), position);
    QCOMPARE(bank.cursor.questionText(), bankfixture::questionText(position + 1));
}

void ExamLogicTest::review_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("startAt");
    QTest::addColumn<QVariantList>("answers");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("position");

    QTest::newRow("five questions, from the middle")
        << 5 << 2 << QVariantList{u"C"_s, u"D"_s, u"A"_s} << QStringList{u"1 C A"_s, u"2 D B"_s} << 4;
    QTest::newRow("never answered is empty")
        << 3 << 0 << QVariantList{QVariant(), u""_s} << QStringList{u"1  A"_s, u"2  B"_s} << 2;
    QTest::newRow("two questions") << 2 << 1 << QVariantList{u"B"_s} << QStringList{u"1 B A"_s, u"2  B"_s} << 1;
    QTest::newRow("one question") << 1 << 0 << QVariantList{u"D"_s} << QStringList{u"1 D A"_s} << 0;
    QTest::newRow("no question") << 0 << 0 << QVariantList{} << QStringList{} << -1;
}

void ExamLogicTest::review()
{
    QFETCH(int, count);
    QFETCH(int, startAt);
    QFETCH(QVariantList, answers);
    QFETCH(QStringList, rows);
    QFETCH(int, position);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(count, answers));
    Instance bank(bankPath());
    for (int i = 0; i < startAt; ++i)
        bank.cursor.next();
    QStringList seen;
    for (const ReviewRow &row : AnswerReview::collect(bank.cursor))
        seen.append(row.number + u' ' + row.userAnswer + u' ' + row.standardAnswer);
    QCOMPARE(seen, rows);
    QCOMPARE(bank.cursor.position(), position);
}

void ExamLogicTest::storedButton_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("button");

    QTest::newRow("A") << QVariant(u"A"_s) << 0;
    QTest::newRow("D") << QVariant(u"D"_s) << 3;
    QTest::newRow("never answered") << QVariant() << -1;
    QTest::newRow("empty") << QVariant(u""_s) << -1;
    QTest::newRow("lower case") << QVariant(u"b"_s) << -1;
    QTest::newRow("not a button") << QVariant(u"E"_s) << -1;
    QTest::newRow("two letters") << QVariant(u"AB"_s) << -1;
    QTest::newRow("padded") << QVariant(u" C"_s) << -1;
}

void ExamLogicTest::storedButton()
{
    QFETCH(QVariant, stored);
    QFETCH(int, button);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(1, {stored}));
    Instance bank(bankPath());
    QCOMPARE(bank.answers.storedButton(), button);
}

// Two programs on one bank take turns answering: each answer is in the file when store()
// returns, the other program reads it at once, and none is lost.
void ExamLogicTest::twoInstancesInterleave()
{
    constexpr int questionCount = 37;
    constexpr int answerCount = 400;
    bankfixture::writeBank(bankPath(), bankfixture::numbered(questionCount));
    std::array<std::unique_ptr<Instance>, 2> banks{std::make_unique<Instance>(bankPath()),
                                                   std::make_unique<Instance>(bankPath())};
    QVariantList expected(questionCount);
    for (int k = 0; k < answerCount; ++k) {
        Instance &writer = *banks[k % 2];
        Instance &reader = *banks[1 - k % 2];
        const int question = (k * 7 + k / questionCount) % questionCount;
        const int button = (k / 3) % AnswerStore::ButtonCount;
        writer.questions->setAbsolutePosition(question);
        writer.answers.store(button);
        expected[question] = AnswerStore::letter(button);
        reader.questions->setAbsolutePosition(question);
        QCOMPARE(reader.answers.storedButton(), button);
    }
    QCOMPARE(bankfixture::storedAnswers(bankPath()), expected);
}

QTEST_GUILESS_MAIN(ExamLogicTest)
#include "tst_examlogic.moc"
