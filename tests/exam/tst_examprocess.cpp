#include "bankfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using bankfixture::Damage;

class ExamProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void failedStart_data();
    void failedStart();
    void runsOnItsBank();
    void answerSurvivesKill_data();
    void answerSurvivesKill();
    void twoWindowsKeepEveryAnswer();
    void readOnlyInstallRace();

private:
    QString folder() const { return QFileInfo(m_dir->path()).canonicalFilePath(); }
    QString bankPath() const { return folder() + u"/shiti.mdb"_s; }
    void start(QProcess &process, const QString &program, const QStringList &arguments);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_home; // the per-user data folder
};

void ExamProcessTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_home->isValid());
    QVERIFY(QFile::copy(QStringLiteral(TEST_PROGRAM_DIR "/Quorvi"), folder() + u"/Quorvi"_s));
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
    start(quorvi, folder() + u"/Quorvi"_s, namingAnotherBank ? QStringList{goodBank} : QStringList{});
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
    start(quorvi, folder() + u"/Quorvi"_s, {u"--anything"_s});
    QVERIFY2(!quorvi.waitForFinished(1500), quorvi.readAllStandardError().constData());
    quorvi.kill();
    QVERIFY(quorvi.waitForFinished());
    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
}

void ExamProcessTest::answerSurvivesKill_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("button");

    QTest::newRow("first question, B") << 0 << 1;
    QTest::newRow("fourth question, D") << 3 << 3;
}

void ExamProcessTest::answerSurvivesKill()
{
    QFETCH(int, steps);
    QFETCH(int, button);

    bankfixture::writeBank(bankPath(), bankfixture::numbered(6));
    QProcess driver;
    start(driver, QStringLiteral(EXAM_DRIVER), {folder(), u"answer"_s, QString::number(steps), QString::number(button)});
    while (!driver.canReadLine())
        QVERIFY2(driver.waitForReadyRead(30000), driver.readAllStandardError().constData());
    QCOMPARE(driver.readLine(), QByteArray("stored\n"));
    driver.kill(); // SIGKILL: no clean-up of any kind
    QVERIFY(driver.waitForFinished());
    QCOMPARE(driver.exitStatus(), QProcess::CrashExit);

    QVariantList expected(6);
    expected[steps] = QString(QChar(char16_t(u'A' + button)));
    QCOMPARE(bankfixture::storedAnswers(bankPath()), expected);
    QCOMPARE(bankfixture::integrityCheck(bankPath()), u"ok"_s);
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

    const QString userDir = m_home->filePath(u"exam_driver"_s);
    QCOMPARE(QDir(userDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"shiti.mdb"_s});
    const QString copy = userDir + u"/shiti.mdb"_s;
    QCOMPARE(bankfixture::storedAnswers(copy), (QVariantList{u"B"_s, {}, u"D"_s, {}}));
    QCOMPARE(bankfixture::integrityCheck(copy), u"ok"_s);
    QCOMPARE(bankfixture::fileBytes(bankPath()), before);
}

QTEST_GUILESS_MAIN(ExamProcessTest)
#include "tst_examprocess.moc"
