#include "bankfixture.h"
#include "platform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <limits>

using namespace Qt::StringLiterals;
using bankfixture::Damage;

namespace {

const QString kSuffix = common::platform::executableSuffix();

// A save cut off by a kill leaves a journal behind that a reader with write access rolls back,
// as the next window to open the bank does; the read-only checks below could not.
void rollBackInterruptedSave(const QString &path)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    const int rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QCOMPARE(rc, SQLITE_OK);
}

} // namespace

class ExamProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void failedStart_data();
    void failedStart();
    void runsOnItsBank();
    void answersSurviveKills();
    void twoWindowsKeepEveryAnswer();
    void readOnlyInstallRace();
    void upgradedReadOnlyInstall();

private:
    QString folder() const { return QFileInfo(m_dir->path()).canonicalFilePath(); }
    QString bankPath() const { return folder() + u"/shiti.mdb"_s; }
    QString quorviPath() const { return folder() + u"/Quorvi"_s + kSuffix; }
    // The one per-user copy a program made under its per-user data folder.
    QString userCopy(const QString &program) const;
    void setFolderWritable(bool writable);
    void start(QProcess &process, const QString &program, const QStringList &arguments);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_home; // the per-user data folder
};

void ExamProcessTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_home->isValid());
    QVERIFY(QFile::copy(QStringLiteral(TEST_PROGRAM_DIR "/Quorvi") + kSuffix, quorviPath()));
}

QString ExamProcessTest::userCopy(const QString &program) const
{
    const QDir userDir(m_home->filePath(program));
    const QStringList folders = userDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return folders.size() == 1 ? userDir.filePath(folders[0] + u"/shiti.mdb"_s) : QString();
}

// A read-only install by permission bits, which Quorvi honours for the superuser too.
void ExamProcessTest::setFolderWritable(bool writable)
{
    const QFile::Permissions readable = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                        | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(folder(), writable ? readable | QFile::WriteOwner : readable));
}

// Headless, and away from the program folder: Quorvi finds its bank beside itself.
void ExamProcessTest::start(QProcess &process, const QString &program, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"XDG_DATA_HOME"_s, m_home->path());
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QDir::tempPath());
    process.start(program, arguments);
    QVERIFY(process.waitForStarted());
}

void ExamProcessTest::failedStart_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<bool>("namingAnotherBank");

    QTest::newRow("missing") << Damage::Missing << false;
    QTest::newRow("corrupt") << Damage::Corrupt << false;
    // A bank named on the command line is not read: Quorvi takes no arguments.
    QTest::newRow("arguments are ignored") << Damage::Missing << true;
}

// The message names the bank with the error number; Quorvi ends with status 1 and writes nothing.
void ExamProcessTest::failedStart()
{
    QFETCH(Damage, damage);
    QFETCH(bool, namingAnotherBank);

    QTemporaryDir elsewhere;
    const QString goodBank = elsewhere.filePath(u"shiti.mdb"_s);
    bankfixture::writeBank(goodBank, bankfixture::numbered(3));
    bankfixture::writeBank(bankPath(), bankfixture::numbered(3), bankfixture::defaultSets(), damage);
    const QByteArray before = bankfixture::fileBytes(bankPath());
    const QByteArray goodBefore = bankfixture::fileBytes(goodBank);

    QProcess quorvi;
    start(quorvi, quorviPath(), namingAnotherBank ? QStringList{goodBank} : QStringList{});
    QVERIFY(quorvi.waitForFinished(30000));
    QCOMPARE(quorvi.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quorvi.exitCode(), 1);
    const QString error = QString::fromUtf8(quorvi.readAllStandardError());
    const QString number = damage == Damage::Missing ? u"3024"_s : u"3343"_s;
    QVERIFY2(error.contains(number) && error.contains(bankPath()), qPrintable(error));

    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
    QCOMPARE(bankfixture::fileBytes(goodBank), goodBefore);
    QCOMPARE(QDir(folder()).entryList(QDir::Files).size(), damage == Damage::Missing ? 1 : 2);
}

void ExamProcessTest::runsOnItsBank()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(3, {u"B"_s}));
    const QByteArray before = bankfixture::fileBytes(bankPath());
    QProcess quorvi;
    start(quorvi, quorviPath(), {u"--anything"_s});
    QVERIFY2(!quorvi.waitForFinished(1500), quorvi.readAllStandardError().constData());
    quorvi.kill();
    QVERIFY(quorvi.waitForFinished());
    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
}

// Four exam windows answer their own quarters of one bank at once and are killed (SIGKILL, no
// clean-up of any kind) at random moments, round after round. Every answer a window acknowledged
// is in the file afterwards; only the one click in flight at the kill may have gone either way.
void ExamProcessTest::answersSurviveKills()
{
    constexpr int writers = 4;
    constexpr int rounds = 64;
    constexpr int questionCount = 16;
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator generator(seed);
    bankfixture::writeBank(bankPath(), bankfixture::numbered(questionCount));
    QVariantList known(questionCount); // acknowledged, or found in the file after a round
    int acknowledged = 0;
    int inFlight = 0;
    for (int round = 0; round < rounds; ++round) {
        const QString context = u"seed %1, round %2"_s.arg(seed).arg(round);
        std::array<QProcess, writers> drivers;
        for (int writer = 0; writer < writers; ++writer) {
            start(drivers[writer], QStringLiteral(EXAM_DRIVER),
                  {folder(), u"storm"_s, QString::number(writer), QString::number(writers),
                   QString::number(generator.generate())});
        }
        for (QProcess &driver : drivers) {
            while (!driver.canReadLine())
                QVERIFY2(driver.waitForReadyRead(30000), qPrintable(context + QString::fromUtf8(driver.readAllStandardError())));
            QCOMPARE(driver.readLine(), QByteArray("ready\n"));
        }
        std::array<int, writers> killAt;
        for (int &at : killAt)
            at = int(generator.bounded(150));
        QElapsedTimer clock;
        clock.start();
        for (int done = 0; done < writers; ++done) {
            const int writer = int(std::min_element(killAt.begin(), killAt.end()) - killAt.begin());
            QTest::qSleep(std::max<qint64>(0, killAt[writer] - clock.elapsed()));
            drivers[writer].kill();
            killAt[writer] = std::numeric_limits<int>::max();
        }

        QHash<int, QVariant> maybe; // the click each window was making when it died
        for (QProcess &driver : drivers) {
            QVERIFY(driver.waitForFinished());
            QVERIFY2(driver.exitStatus() == QProcess::CrashExit,
                     qPrintable(context + u": exit code %1 "_s.arg(driver.exitCode()) + QString::fromUtf8(driver.readAllStandardError())));
            int position = -1;
            QVariant letter;
            for (const QByteArray &line : driver.readAllStandardOutput().split('\n')) {
                const QList<QByteArray> words = line.split(' ');
                if (words.size() == 3 && words[0] == "answering") {
                    position = words[1].toInt();
                    letter = QString::fromLatin1(words[2]);
                } else if (line == "stored" && position >= 0) {
                    known[position] = letter;
                    ++acknowledged;
                    position = -1;
                }
            }
            if (position >= 0) {
                maybe.insert(position, letter);
                ++inFlight;
            }
        }
        rollBackInterruptedSave(bankPath());
        const QVariantList stored = bankfixture::storedAnswers(bankPath());
        QCOMPARE(stored.size(), questionCount);
        for (int position = 0; position < questionCount; ++position) {
            const bool expected = stored[position] == known[position]
                                  || (maybe.contains(position) && stored[position] == maybe[position]);
            QVERIFY2(expected, qPrintable(context + u", question %1: %2 in the file, %3 acknowledged"_s.arg(position)
                                              .arg(stored[position].toString(), known[position].toString())));
            known[position] = stored[position];
        }
        QCOMPARE(bankfixture::integrityCheck(bankPath()), u"ok"_s);
    }
    qInfo("%d windows killed, %d answers acknowledged, %d clicks in flight at a kill", rounds * writers,
          acknowledged, inFlight);
}

// Two exam windows in two processes answer alternate questions of one bank at the same time;
// their saves wait for each other and every answer is in the file afterwards.
void ExamProcessTest::twoWindowsKeepEveryAnswer()
{
    constexpr int questionCount = 300;
    bankfixture::writeBank(bankPath(), bankfixture::numbered(questionCount));
    std::array<QProcess, 2> drivers;
    for (int parity = 0; parity < 2; ++parity)
        start(drivers[parity], QStringLiteral(EXAM_DRIVER), {folder(), u"sweep"_s, QString::number(parity)});
    for (QProcess &driver : drivers) {
        QVERIFY(driver.waitForFinished(120000));
        QVERIFY2(driver.exitStatus() == QProcess::NormalExit && driver.exitCode() == 0,
                 driver.readAllStandardError().constData());
    }
    QVariantList expected;
    for (int position = 0; position < questionCount; ++position)
        expected.append(QString(QChar(char16_t(u'A' + position % 4))));
    QCOMPARE(bankfixture::storedAnswers(bankPath()), expected);
}

// A read-only install (permission bits, honoured for the superuser too): two windows started at
// once agree on one per-user copy and both their answers are in it; the installed bank is never
// written.
void ExamProcessTest::readOnlyInstallRace()
{
    bankfixture::writeBank(bankPath(), bankfixture::numbered(4));
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(bankPath(), readOnly));
    QVERIFY(QFile::setPermissions(folder(), readOnly | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
    const QByteArray before = bankfixture::fileBytes(bankPath());

    std::array<QProcess, 2> drivers;
    const std::array<int, 2> questions{0, 2};
    for (int i = 0; i < 2; ++i) {
        start(drivers[i], QStringLiteral(EXAM_DRIVER),
              {folder(), u"answer"_s, QString::number(questions[i]), QString::number(questions[i] + 1)});
    }
    for (QProcess &driver : drivers) {
        while (!driver.canReadLine())
            QVERIFY2(driver.waitForReadyRead(30000), driver.readAllStandardError().constData());
        QCOMPARE(driver.readLine(), QByteArray("stored\n"));
        driver.kill();
        QVERIFY(driver.waitForFinished());
    }
    QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QString copy = userCopy(u"exam_driver"_s);
    QVERIFY(!copy.isEmpty());
    QCOMPARE(QFileInfo(copy).dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"shiti.mdb"_s});
    QCOMPARE(bankfixture::storedAnswers(copy), (QVariantList{u"B"_s, {}, u"D"_s, {}}));
    QCOMPARE(bankfixture::integrityCheck(copy), u"ok"_s);
    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
}

// An upgrade replaces the bank of a read-only install: Quorvi renews its per-user copy with the new
// questions, keeps the answer of the question whose text is unchanged, and says so once, at start.
void ExamProcessTest::upgradedReadOnlyInstall()
{
    // What Quorvi tells the user at start (headless, on standard error); it must still be running
    // a moment later.
    const auto run = [this](const QString &awaited) {
        QProcess quorvi;
        start(quorvi, quorviPath(), {});
        quorvi.setReadChannel(QProcess::StandardError);
        QByteArray told;
        while (!QString::fromUtf8(told).contains(awaited) && quorvi.waitForReadyRead(30000))
            told += quorvi.readAllStandardError();
        const bool ended = quorvi.waitForFinished(1500);
        told += quorvi.readAllStandardError();
        quorvi.kill();
        quorvi.waitForFinished();
        return QString::fromUtf8(ended ? "ended: " + told : told);
    };
    QList<bankfixture::Question> questions = bankfixture::numbered(3);
    bankfixture::writeBank(bankPath(), questions);
    setFolderWritable(false);
    const QString first = run(u"shiti.mdb”"_s);
    const QString copy = userCopy(u"Quorvi"_s);
    QVERIFY2(!copy.isEmpty() && first.contains(copy) && !first.startsWith(u"ended"), qPrintable(first));
    bankfixture::storeAnswer(copy, 0, u"B"_s);
    bankfixture::storeAnswer(copy, 1, u"C"_s);

    setFolderWritable(true);
    questions[1].text = bankfixture::questionText(7);
    bankfixture::writeBank(bankPath(), questions);
    setFolderWritable(false);
    const QByteArray installed = bankfixture::fileBytes(bankPath());
    const QString renewal = run(copy + u".old"_s);
    QVERIFY2(renewal.contains(copy + u".old"_s) && renewal.contains(bankPath()) && !renewal.startsWith(u"ended"),
             qPrintable(renewal));
    QCOMPARE(bankfixture::storedQuestions(copy),
             (QStringList{bankfixture::questionText(1), bankfixture::questionText(7), bankfixture::questionText(3)}));
    QCOMPARE(bankfixture::storedAnswers(copy), (QVariantList{u"B"_s, {}, {}}));
    QCOMPARE(bankfixture::storedAnswers(copy + u".old"_s), (QVariantList{u"B"_s, u"C"_s, {}}));

    const QString third = run({});
    QVERIFY2(!third.contains(copy) && !third.startsWith(u"ended"), qPrintable(third));
    QCOMPARE(bankfixture::fileBytes(bankPath()), installed);
    QCOMPARE(QDir(folder()).entryList(QDir::Files), (QStringList{u"Quorvi"_s + kSuffix, u"shiti.mdb"_s}));
    setFolderWritable(true);
}

QTEST_GUILESS_MAIN(ExamProcessTest)
#include "test_examprocess.moc"
