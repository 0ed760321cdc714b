#include "answerreview.h"
#include "answerstore.h"
#include "bankfixture.h"
#include "banklocation.h"
#include "database.h"
#include "error.h"
#include "questioncursor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    void cleanup();
    void bankChoice_data();
    void bankChoice();
    void moves_data();
    void moves();
    void buttonOf_data();
    void buttonOf();

private:
    QString bankPath() const { return m_dir->filePath(QStringLiteral("shiti.mdb")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void ExamLogicTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void ExamLogicTest::cleanup()
{
    // Give back the write bits a test took, so the temporary folders can be removed.
    const QFile::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    for (const QString &dir : {u"program"_s, u"home/Quorvi"_s})
        QFile::setPermissions(m_dir->filePath(dir), all);
}

namespace {

constexpr QFile::Permissions readOnlyFile = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr QFile::Permissions readOnlyDir = readOnlyFile | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

// Where the answers go. Read-only by permission bits, which the record layer honours even for the
// superuser, so this runs the same as root.
void ExamLogicTest::bankChoice_data()
{
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("bankWritable");
    QTest::addColumn<bool>("userWritable");
    QTest::addColumn<QString>("used"); // "installed", "copy" or "nowhere"

    QTest::newRow("writable folder") << true << true << true << "installed";
    QTest::newRow("read-only bank") << true << false << true << "copy";
    QTest::newRow("read-only install") << false << false << true << "copy";
    QTest::newRow("writable bank in a read-only folder") << false << true << true << "copy";
    QTest::newRow("nowhere to store") << false << false << false << "nowhere";
}

void ExamLogicTest::bankChoice()
{
    QFETCH(bool, folderWritable);
    QFETCH(bool, bankWritable);
    QFETCH(bool, userWritable);
    QFETCH(QString, used);

    const QString program = m_dir->filePath(u"program"_s);
    const QString userDir = m_dir->filePath(u"home/Quorvi"_s);
    const QString installed = program + u"/shiti.mdb"_s;
    const QString copy = userDir + u"/shiti.mdb"_s;
    QVERIFY(QDir().mkpath(program));
    bankfixture::writeBank(installed, bankfixture::numbered(3, {u"A"_s}));
    if (!bankWritable)
        QVERIFY(QFile::setPermissions(installed, readOnlyFile));
    if (!folderWritable)
        QVERIFY(QFile::setPermissions(program, readOnlyDir));
    if (!userWritable)
        QVERIFY(QDir().mkpath(userDir) && QFile::setPermissions(userDir, readOnlyDir));
    const QByteArray before = bankfixture::fileBytes(installed);

    const quorvi::BankLocation location(installed, userDir);
    if (used == u"nowhere") {
        try {
            location.choose();
            QFAIL("a bank was chosen");
        } catch (const common::Error &error) {
            QCOMPARE(error.number(), int(common::CannotOpenFile));
            QVERIFY2(error.text().contains(installed) && error.text().contains(copy), qPrintable(error.text()));
        }
        QVERIFY(entries(userDir).isEmpty());
        QCOMPARE(bankfixture::fileBytes(installed), before);
        return;
    }

    const quorvi::BankChoice first = location.choose();
    QCOMPARE(first.path, used == u"copy" ? copy : installed);
    QVERIFY(first.notice.isEmpty());
    {
        Bank bank(first.path);
        QVERIFY(bank.cursor.next());
        AnswerStore(*bank.questions).store(2);
    }
    // Every later start uses the same file; the copy is not made again over the answers.
    const quorvi::BankChoice second = location.choose();
    QCOMPARE(second.path, first.path);
    QCOMPARE(bankfixture::storedAnswers(first.path), (QVariantList{u"A"_s, u"C"_s, {}}));
    QCOMPARE(entries(program), QStringList{u"shiti.mdb"_s});
    if (used == u"copy") {
        QCOMPARE(bankfixture::fileBytes(installed), before);
        QCOMPARE(entries(userDir), QStringList{u"shiti.mdb"_s});
    } else {
        QVERIFY(!QFileInfo::exists(userDir));
    }
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

void ExamLogicTest::buttonOf_data()
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

void ExamLogicTest::buttonOf()
{
    QFETCH(QVariant, stored);
    QFETCH(int, button);

    const common::FieldValue value = stored.isValid() ? common::FieldValue(stored.toString()) : std::nullopt;
    QCOMPARE(AnswerStore::buttonOf(value), button);
}

QTEST_GUILESS_MAIN(ExamLogicTest)
#include "tst_examlogic.moc"
