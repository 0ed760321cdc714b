#include "answerreview.h"
#include "answerstore.h"
#include "bankcopy.h"
#include "bankfixture.h"
#include "banklocation.h"
#include "database.h"
#include "error.h"
#include "jetbackend.h"
#include "jetwriter.h"
#include "platform.h"
#include "questioncursor.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <optional>

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
    void userCopyFollowsBank_data();
    void userCopyFollowsBank();
    void copyPerProgramFolder();
    void moves_data();
    void moves();

private:
    QString bankPath() const { return m_dir->filePath(QStringLiteral("shiti.mdb")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void ExamLogicTest::initTestCase()
{
    common::JetBackend::setReaderPath(QStringLiteral(TEST_PROGRAM_DIR "/jetread") + common::platform::executableSuffix());
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
    for (const QString &dir : {u"program"_s, u"程序"_s, u"home/Quorvi"_s})
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
#ifdef Q_OS_WIN
    if ((!folderWritable && bankWritable) || !userWritable)
        QSKIP("A Windows folder is closed to writing by its access list, which this test does not set");
#endif

    const QString program = m_dir->filePath(u"program"_s);
    const QString userDir = m_dir->filePath(u"home/Quorvi"_s);
    const QString installed = program + u"/shiti.mdb"_s;
    const quorvi::BankLocation location(installed, userDir);
    const QString copy = location.userCopyPath();
    QVERIFY(QDir().mkpath(program));
    bankfixture::writeBank(installed, bankfixture::numbered(3, {u"A"_s}));
    if (!bankWritable)
        QVERIFY(QFile::setPermissions(installed, readOnlyFile));
    if (!folderWritable)
        QVERIFY(QFile::setPermissions(program, readOnlyDir));
    if (!userWritable)
        QVERIFY(QDir().mkpath(userDir) && QFile::setPermissions(userDir, readOnlyDir));
    const QByteArray before = bankfixture::fileBytes(installed);

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
    // A copy is announced once, naming where the answers now go.
    QCOMPARE(first.notice.contains(copy), used == u"copy");
    QCOMPARE(first.notice.isEmpty(), used != u"copy");
    {
        Bank bank(first.path);
        QVERIFY(bank.cursor.next());
        AnswerStore(*bank.questions).store(2);
    }
    // Every later start uses the same file; the copy is not made again over the answers.
    const quorvi::BankChoice second = location.choose();
    QCOMPARE(second.path, first.path);
    QVERIFY(second.notice.isEmpty());
    QCOMPARE(bankfixture::storedAnswers(first.path), (QVariantList{u"A"_s, u"C"_s, {}}));
    QCOMPARE(entries(program), QStringList{u"shiti.mdb"_s});
    if (used == u"copy") {
        QCOMPARE(bankfixture::fileBytes(installed), before);
        QCOMPARE(entries(userDir), QStringList{QFileInfo(copy).dir().dirName()});
        QCOMPARE(entries(QFileInfo(copy).path()), QStringList{u"shiti.mdb"_s});
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

// Every table, field and value of two databases, NULL told apart from empty text; a per-user
// copy's record of its source aside.
void compareDatabases(const QString &expectedPath, const QString &actualPath)
{
    const auto expected = common::Database::open(expectedPath, common::Database::Access::ReadOnly);
    const auto actual = common::Database::open(actualPath, common::Database::Access::ReadOnly);
    QStringList actualNames = actual->tableNames();
    actualNames.removeOne(quorvi::BankCopy::sourceTable());
    QCOMPARE(actualNames, expected->tableNames());
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
        QVERIFY(common::platform::hardLink(installed, installed + u".jet"_s));
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
    const quorvi::BankLocation location(installed, userDir);
    const QString converted = state == u"read-only" ? location.userCopyPath() : installed;

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

namespace {

// Questions by number; standard answers from `standards` in order, or A to D by number.
QList<bankfixture::Question> questions(const QList<int> &numbers, const QString &standards = {})
{
    QList<bankfixture::Question> list;
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const QChar standard = i < standards.size() ? standards[i] : QChar(char16_t(u'A' + (numbers[i] - 1) % 4));
        list.append({bankfixture::questionText(numbers[i]), QVariant(), QString(standard)});
    }
    return list;
}

// An installed bank as "sqlite", "log" (texts only in the log beside it) or "jet", dated one
// second later than the file it replaces, as an upgrade's would be.
void writeInstalled(const QString &path, const QString &format, const QList<bankfixture::Question> &list)
{
    const QDateTime before = QFileInfo(path).lastModified();
    const bool replacing = before.isValid();
    if (format == u"log") {
        bankfixture::writeBankWithLog(path, list);
    } else {
        bankfixture::writeBank(path, list);
    }
    if (format == u"jet") {
        QList<jetfixture::JetTable> tables;
        const auto sqlite = common::Database::open(path, common::Database::Access::ReadOnly);
        for (const common::TableData &data : common::readTables(*sqlite)) {
            jetfixture::JetTable &table = tables.emplaceBack();
            table.data = data;
        }
        QVERIFY(QFile::remove(path));
        QVERIFY(jetfixture::writeJetFile(path, tables, {jetfixture::JetVersion::Jet4, 936, jetfixture::Damage::None}));
    }
    if (replacing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(before.addSecs(1), QFileDevice::FileModificationTime));
    }
}

QStringList texts(const QList<bankfixture::Question> &list)
{
    QStringList result;
    for (const bankfixture::Question &question : list)
        result.append(question.text);
    return result;
}

} // namespace

// The per-user copy of a read-only install follows the installed bank: when its questions or
// standard answers change, a fresh copy is made and every answer whose question text is unchanged
// comes over (repeated texts paired in order); the old copy is kept whole under a backup name and
// the user is told once. The installed bank and its folder are only read.
void ExamLogicTest::userCopyFollowsBank_data()
{
    QTest::addColumn<QString>("format");
    // own: the copy an earlier start made; shared: the one copy earlier versions kept for every
    // folder; interrupted: own, and a renewal stopped after keeping it under its backup name;
    // window: own, and a window still open on it
    QTest::addColumn<QString>("start");
    QTest::addColumn<QList<int>>("before");       // the questions of the bank the copy came from
    QTest::addColumn<QVariantList>("answers");    // given in that copy
    QTest::addColumn<QList<int>>("after");        // the installed bank now; empty: left alone
    QTest::addColumn<QString>("standards");       // of `after`; empty: A to D by number
    QTest::addColumn<QVariantList>("expected");   // the answers in the copy afterwards
    QTest::addColumn<bool>("renewed");

    const QVariant a(u"A"_s), b(u"B"_s), c(u"C"_s), d(u"D"_s), none;
    const QVariantList abc{a, b, c};
    const QList<int> three{1, 2, 3};
    const QList<int> changed{1, 7, 3};
    QTest::newRow("left alone") << "sqlite" << "own" << three << QVariantList{a, b} << QList<int>{} << ""
                                << QVariantList{a, b, none} << false;
    QTest::newRow("the same questions in a new file")
        << "sqlite" << "own" << three << QVariantList{a, b} << three << "" << QVariantList{a, b, none} << false;
    QTest::newRow("a question changed") << "sqlite" << "own" << three << abc << changed << ""
                                        << QVariantList{a, none, c} << true;
    QTest::newRow("a standard answer changed")
        << "sqlite" << "own" << three << abc << three << "ABD" << abc << true;
    QTest::newRow("questions added, removed and moved") << "sqlite" << "own" << QList<int>{1, 2, 3, 4}
                                                        << QVariantList{a, none, c, d} << QList<int>{4, 5, 1} << ""
                                                        << QVariantList{d, none, a} << true;
    QTest::newRow("repeated questions paired in order") << "sqlite" << "own" << QList<int>{1, 1, 2} << abc
                                                        << QList<int>{2, 1, 1, 1} << ""
                                                        << QVariantList{c, a, b, none} << true;
    QTest::newRow("Access bank") << "jet" << "own" << three << abc << changed << "" << QVariantList{a, none, c}
                                 << true;
    QTest::newRow("bank in log mode") << "log" << "own" << three << abc << changed << ""
                                      << QVariantList{a, none, c} << true;
    QTest::newRow("renewal stopped after keeping the old copy")
        << "sqlite" << "interrupted" << three << abc << changed << "" << QVariantList{a, none, c} << true;
    QTest::newRow("a window still open on the old copy")
        << "sqlite" << "window" << three << abc << changed << "" << QVariantList{a, none, c} << true;
    QTest::newRow("the one copy of earlier versions, same bank")
        << "sqlite" << "shared" << three << abc << QList<int>{} << "" << abc << true;
    QTest::newRow("the one copy of earlier versions, bank changed")
        << "sqlite" << "shared" << three << abc << changed << "" << QVariantList{a, none, c} << true;
}

void ExamLogicTest::userCopyFollowsBank()
{
    QFETCH(QString, format);
    QFETCH(QString, start);
    QFETCH(QList<int>, before);
    QFETCH(QVariantList, answers);
    QFETCH(QList<int>, after);
    QFETCH(QString, standards);
    QFETCH(QVariantList, expected);
    QFETCH(bool, renewed);

    const QString program = m_dir->filePath(u"program"_s);
    const QString userDir = m_dir->filePath(u"home/Quorvi"_s);
    const QString installed = program + u"/shiti.mdb"_s;
    QVERIFY(QDir().mkpath(program));
    writeInstalled(installed, format, questions(before));
    const QStringList programEntries = entries(program);
    QVERIFY(QFile::setPermissions(program, readOnlyDir));
    const quorvi::BankLocation location(installed, userDir);
    const QString copy = location.userCopyPath();
    const QString backup = copy + u".old"_s;
    const QString shared = userDir + u"/shiti.mdb"_s;
    QVariantList given = answers;
    given.resize(before.size());

    if (start == u"shared") {
        QVERIFY(QDir().mkpath(userDir));
        QList<bankfixture::Question> old = questions(before);
        for (qsizetype i = 0; i < old.size(); ++i)
            old[i].userAnswer = given[i];
        bankfixture::writeBank(shared, old);
    } else {
        QCOMPARE(location.choose().path, copy);
        for (int row = 0; row < int(given.size()); ++row) {
            if (given[row].isValid())
                bankfixture::storeAnswer(copy, row, given[row].toString());
        }
    }
    if (!after.isEmpty()) {
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        writeInstalled(installed, format, questions(after, standards));
        QVERIFY(QFile::setPermissions(program, readOnlyDir));
    }
    std::optional<Bank> window;
    if (start == u"window")
        window.emplace(copy);
    if (start == u"interrupted") {
        QVERIFY(common::platform::hardLink(copy, backup));
        QFile partial(copy + u".new"_s);
        QVERIFY(partial.open(QIODevice::WriteOnly) && partial.write("SQLite format 3") > 0);
    }
    const QByteArray installedBytes = bankfixture::fileBytes(installed);

    const quorvi::BankChoice choice = location.choose();
    QCOMPARE(choice.path, copy);
    QCOMPARE(bankfixture::storedAnswers(copy), expected);
    QCOMPARE(bankfixture::storedQuestions(copy), texts(questions(after.isEmpty() ? before : after)));
    QCOMPARE(bankfixture::integrityCheck(copy), u"ok"_s);
    QCOMPARE(bankfixture::fileBytes(copy).mid(18, 2), QByteArray("\1\1")); // one file, no log beside it
    QStringList kept{u"shiti.mdb"_s};
    if (renewed) {
        kept.append(u"shiti.mdb.old"_s);
        QVERIFY2(choice.notice.contains(backup) && choice.notice.contains(installed), qPrintable(choice.notice));
        QCOMPARE(bankfixture::storedAnswers(backup), given);
    } else {
        QVERIFY2(choice.notice.isEmpty(), qPrintable(choice.notice));
    }
    QCOMPARE(entries(QFileInfo(copy).path()), kept);
    QCOMPARE(entries(userDir), QStringList{QFileInfo(copy).dir().dirName()});

    // Said once: the next start opens the copy as it is.
    const quorvi::BankChoice again = location.choose();
    QCOMPARE(again.path, copy);
    QVERIFY2(again.notice.isEmpty(), qPrintable(again.notice));
    QCOMPARE(bankfixture::storedAnswers(copy), expected);
    QCOMPARE(entries(QFileInfo(copy).path()), kept);
    QCOMPARE(bankfixture::fileBytes(installed), installedBytes);
    QCOMPARE(entries(program), programEntries);

    // A window opened before the renewal may not store into the replaced file.
    if (window) {
        try {
            AnswerStore(*window->questions).store(3);
            QFAIL("an answer went into the old copy");
        } catch (const common::Error &error) {
            QCOMPARE(error.number(), int(common::CannotOpenFile));
            QCOMPARE(error.text(), common::Error::fileReplaced(copy).text());
        }
        QCOMPARE(bankfixture::storedAnswers(backup), given);
        QCOMPARE(bankfixture::storedAnswers(copy), expected);
    }
}

// Every read-only program folder has a copy of its own; a folder reached through a link is the
// same folder.
void ExamLogicTest::copyPerProgramFolder()
{
    const QString userDir = m_dir->filePath(u"home/Quorvi"_s);
    QList<quorvi::BankLocation> locations;
    for (const QString &name : {u"program"_s, u"程序"_s, u"link"_s}) {
        const QString folder = m_dir->filePath(name);
        if (name == u"link") {
            QVERIFY(QFile::link(m_dir->filePath(u"program"_s), folder));
        } else {
            QVERIFY(QDir().mkpath(folder));
            bankfixture::writeBank(folder + u"/shiti.mdb"_s, bankfixture::numbered(2));
            QVERIFY(QFile::setPermissions(folder, readOnlyDir));
        }
        locations.append(quorvi::BankLocation(folder + u"/shiti.mdb"_s, userDir));
    }
    QList<QString> copies;
    for (const quorvi::BankLocation &location : locations)
        copies.append(location.choose().path);
    bankfixture::storeAnswer(copies[0], 0, u"D"_s);
    QCOMPARE(copies[2], copies[0]);
    QVERIFY(copies[1] != copies[0]);
    QCOMPARE(bankfixture::storedAnswers(copies[1]), (QVariantList{{}, {}}));
    QCOMPARE(locations[2].choose().path, copies[0]);
    QCOMPARE(bankfixture::storedAnswers(copies[0]), (QVariantList{u"D"_s, {}}));
    QVERIFY2(QFileInfo(copies[1]).dir().dirName().startsWith(u"程序-"_s), qPrintable(copies[1]));
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
