#include "answerreview.h"
#include "answerstore.h"
#include "bankfixture.h"
#include "banklocation.h"
#include "database.h"
#include "error.h"
#include "jetbackend.h"
#include "jetwriter.h"
#include "questioncursor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

Q_DECLARE_METATYPE(jetfixture::JetVersion)

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
    void initTestCase();
    void init();
    void cleanup();
    void bankChoice_data();
    void bankChoice();
    void jetConversion_data();
    void jetConversion();
    void moves_data();
    void moves();

private:
    QString bankPath() const { return m_dir->filePath(QStringLiteral("shiti.mdb")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void ExamLogicTest::initTestCase()
{
    common::JetBackend::setReaderPath(QStringLiteral(TEST_PROGRAM_DIR "/jetread"));
}

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

namespace {

// A question bank as Access writes it: NULL and empty answers, Chinese in the row and in a memo on
// pages of its own, a moved row, a deleted one, and a table Quorvi does not use.
QList<jetfixture::JetTable> jetBank()
{
    using jetfixture::ColumnKind;
    QString longQuestion;
    while (longQuestion.size() < 5000)
        longQuestion += u"第%1行：下面哪个语句声明一个整数变量？\r\n"_s.arg(longQuestion.size());
    jetfixture::JetTable questions;
    questions.data = {u"第一套题"_s, {u"题号"_s, u"题目"_s, u"用户答案"_s, u"标准答案"_s},
                      {{u"1"_s, bankfixture::questionText(1), std::nullopt, u"A"_s},
                       {u"2"_s, bankfixture::questionText(2), u""_s, u"B"_s},
                       {u"3"_s, longQuestion, u"C"_s, u"C"_s},
                       {u"4"_s, u""_s, u"D"_s, std::nullopt},
                       {u"5"_s, u"价格€5 的题"_s, u"A"_s, u"D"_s}}};
    questions.kinds = {ColumnKind::Long, ColumnKind::Memo, ColumnKind::Text, ColumnKind::Text};
    questions.overflowRows = {1};
    questions.deletedBefore = {3};
    jetfixture::JetTable sets;
    sets.data = {u"题库名"_s, {u"名称"_s}, {{u"第一套题"_s}, {u""_s}, {std::nullopt}}};
    jetfixture::JetTable notes;
    notes.data = {u"说明"_s, {u"内容"_s, u"次数"_s}, {{u"没有用到的表"_s, u"12"_s}}};
    notes.kinds = {ColumnKind::Text, ColumnKind::Long};
    return {questions, sets, notes};
}

// Every table, field and value of two databases, NULL told apart from empty text.
void compareDatabases(const QString &expectedPath, const QString &actualPath)
{
    const auto expected = common::Database::open(expectedPath, common::Database::Access::ReadOnly);
    const auto actual = common::Database::open(actualPath, common::Database::Access::ReadOnly);
    QCOMPARE(actual->tableNames(), expected->tableNames());
    for (const QString &name : expected->tableNames()) {
        const auto want = expected->openRecordset(name);
        const auto got = actual->openRecordset(name);
        QCOMPARE(got->fieldNames(), want->fieldNames());
        for (const QString &field : want->fieldNames())
            QVERIFY2(got->column(field) == want->column(field), qPrintable(name + u'.' + field));
    }
}

} // namespace

// A Jet bank is converted to SQLite before the first question and never written. The states are
// where an earlier conversion may have stopped.
void ExamLogicTest::jetConversion_data()
{
    QTest::addColumn<jetfixture::JetVersion>("version");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("backup"); // where the original is kept, relative to the program folder

    using jetfixture::JetVersion;
    QTest::newRow("Jet 4") << JetVersion::Jet4 << "fresh" << "shiti.mdb.jet";
    QTest::newRow("Jet 3") << JetVersion::Jet3 << "fresh" << "shiti.mdb.jet";
    QTest::newRow("stopped after keeping the original")
        << JetVersion::Jet4 << "linked" << "shiti.mdb.jet";
    QTest::newRow("stopped between the two renames") << JetVersion::Jet4 << "renamed" << "shiti.mdb.jet";
    QTest::newRow("stopped while writing the copy") << JetVersion::Jet3 << "partial" << "shiti.mdb.jet";
    QTest::newRow("another file has the backup name")
        << JetVersion::Jet4 << "taken" << "shiti.mdb.jet.1";
    QTest::newRow("read-only folder: converted into the per-user copy")
        << JetVersion::Jet4 << "read-only" << "shiti.mdb";
}

void ExamLogicTest::jetConversion()
{
    QFETCH(jetfixture::JetVersion, version);
    QFETCH(QString, state);
    QFETCH(QString, backup);

    const QString program = m_dir->filePath(u"program"_s);
    const QString userDir = m_dir->filePath(u"home/Quorvi"_s);
    const QString installed = program + u"/shiti.mdb"_s;
    const QString pending = installed + u".new"_s;
    QVERIFY(QDir().mkpath(program));
    QVERIFY(jetfixture::writeJetFile(installed, jetBank(), {version, 936, jetfixture::Damage::None}));
    const QByteArray original = bankfixture::fileBytes(installed);
    const QByteArray other("an earlier backup of some other bank");
    QStringList expectedEntries{u"shiti.mdb"_s, backup};

    if (state == u"linked") {
        QCOMPARE(::link(qPrintable(installed), qPrintable(installed + u".jet"_s)), 0);
    } else if (state == u"renamed") {
        quorvi::BankLocation::copyAsSqlite(installed, pending);
        QVERIFY(QFile::rename(installed, installed + u".jet"_s));
    } else if (state == u"partial") {
        QFile junk(pending);
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("SQLite format 3") > 0);
    } else if (state == u"taken") {
        QFile taken(installed + u".jet"_s);
        QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write(other) == other.size());
        expectedEntries.append(u"shiti.mdb.jet"_s);
    } else if (state == u"read-only") {
        QVERIFY(QFile::setPermissions(program, readOnlyDir));
        expectedEntries = QStringList{u"shiti.mdb"_s};
    }
    expectedEntries.sort();
    const QString kept = program + u'/' + backup;
    const QString converted = state == u"read-only" ? userDir + u"/shiti.mdb"_s : installed;

    const quorvi::BankLocation location(installed, userDir);
    const quorvi::BankChoice choice = location.choose();
    QCOMPARE(choice.path, converted);
    QVERIFY2(choice.notice.contains(state == u"read-only" ? converted : kept), qPrintable(choice.notice));
    QCOMPARE(bankfixture::fileBytes(kept), original);
    QCOMPARE(entries(program), expectedEntries);
    if (state == u"taken")
        QCOMPARE(bankfixture::fileBytes(installed + u".jet"_s), other);
    QVERIFY(!quorvi::BankLocation::isJetFile(converted));
    compareDatabases(kept, converted);

    // The converted bank takes answers; the next start opens it as it is and says nothing.
    {
        Bank bank(converted);
        AnswerStore(*bank.questions).store(1);
    }
    const quorvi::BankChoice again = location.choose();
    QCOMPARE(again.path, converted);
    QVERIFY(again.notice.isEmpty());
    QCOMPARE(entries(program), expectedEntries);
    QCOMPARE(bankfixture::storedAnswers(converted),
             (QVariantList{u"B"_s, u""_s, u"C"_s, u"D"_s, u"A"_s}));
    QCOMPARE(bankfixture::fileBytes(kept), original);
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
#include "test_examlogic.moc"
