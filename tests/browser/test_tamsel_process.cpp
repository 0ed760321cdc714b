#include "fixtures.h"
#include "platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Change { None, Remove, Garbage, Empty, Folder, RenameCase, NoTitleField, DamagedTitle, DamagedDescription };

// A knowledge base whose one entry has a field too long for its page, the rest of which is kept
// in a chain of overflow pages; the chain is then broken, so that only reading that field fails.
bool writeDamagedField(const QString &path, bool title)
{
    const QString longText = QString(6000, u'说');
    const QStringList entry = title ? QStringList{longText, u"说明"_s} : QStringList{u"变量"_s, longText};
    if (!fixtures::writeDatabase(path, {{u"基础知识"_s, {u"目录"_s, u"内容"_s}, {entry}}}))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const qsizetype pageSize = (uchar(bytes[16]) << 8) | uchar(bytes[17]);
    const QByteArray run = QString(40, u'说').toUtf8();
    int broken = 0;
    // An overflow page starts with the number of the next one, then the text goes on.
    for (qsizetype page = pageSize; page + pageSize <= bytes.size(); page += pageSize) {
        if (run.contains(bytes.mid(page + 4, 60))) {
            bytes.replace(page, 4, QByteArray("\x7f\xff\xff\xf0", 4));
            ++broken;
        }
    }
    return broken > 0 && file.seek(0) && file.write(bytes) == bytes.size();
}

} // namespace

Q_DECLARE_METATYPE(Change)

// The built Tamsel, started offscreen from a copy of the program folder.
class TamselProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void start_data();
    void start();
    void commands_data();
    void commands();

private:
    QString folder() const { return QFileInfo(m_dir->path()).canonicalFilePath(); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TamselProcessTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (const QString &file : {u"Tamsel"_s + common::platform::executableSuffix(), u"vb.MDB"_s, u"api.mdb"_s, u"shili.mdb"_s})
        QVERIFY2(QFile::copy(QStringLiteral(TEST_PROGRAM_DIR) + u'/' + file, folder() + u'/' + file), qPrintable(file));
}

void TamselProcessTest::start_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("staysUp"); // otherwise it must end with status 1
    QTest::addColumn<QStringList>("told"); // on standard error; empty: no error at all

    const QString vb = u"vb.MDB"_s;
    QTest::newRow("complete folder") << vb << Change::None << true << QStringList{};
    QTest::newRow("vb.MDB in other case") << vb << Change::RenameCase << true << QStringList{};
    QTest::newRow("shili.mdb missing") << u"shili.mdb"_s << Change::Remove << true << QStringList{u"3024"_s, u"shili.mdb"_s};
    QTest::newRow("api.mdb random bytes") << u"api.mdb"_s << Change::Garbage << true << QStringList{u"3343"_s, u"api.mdb"_s};
    QTest::newRow("vb.MDB missing") << vb << Change::Remove << false << QStringList{u"3024"_s, vb};
    QTest::newRow("vb.MDB random bytes") << vb << Change::Garbage << false << QStringList{u"3343"_s, vb};
    QTest::newRow("vb.MDB empty") << vb << Change::Empty << false << QStringList{u"3343"_s, vb};
    QTest::newRow("vb.MDB a folder") << vb << Change::Folder << false << QStringList{u"3343"_s, vb};
    QTest::newRow("knowledge table without 目录") << vb << Change::NoTitleField << false << QStringList{u"3265"_s, u"目录"_s};
    // Titles are read before the window is shown, descriptions after: either ends the same way.
    QTest::newRow("title field damaged") << vb << Change::DamagedTitle << false << QStringList{u"3343"_s, vb};
    QTest::newRow("description field damaged") << vb << Change::DamagedDescription << false << QStringList{u"3343"_s, vb};
}

void TamselProcessTest::start()
{
    QFETCH(QString, file);
    QFETCH(Change, change);
    QFETCH(bool, staysUp);
    QFETCH(QStringList, told);

    const QString path = folder() + u'/' + file;
    switch (change) {
    case Change::None: break;
    case Change::Remove: QVERIFY(QFile::remove(path)); break;
    case Change::Garbage: QVERIFY(fixtures::writeFile(path, fixtures::randomBytes())); break;
    case Change::Empty: QVERIFY(fixtures::writeFile(path, {})); break;
    case Change::Folder: QVERIFY(QFile::remove(path) && QDir().mkdir(path)); break;
    case Change::RenameCase: QVERIFY(QFile::rename(path, folder() + u'/' + file.toUpper())); break;
    case Change::NoTitleField:
        QVERIFY(fixtures::writeDatabase(path, {{u"基础知识"_s, {u"标题"_s, u"内容"_s}, {{u"变量"_s, u"说明"_s}}}}));
        break;
    case Change::DamagedTitle: QVERIFY(writeDamagedField(path, true)); break;
    case Change::DamagedDescription: QVERIFY(writeDamagedField(path, false)); break;
    }

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QDir::tempPath());
    process.start(folder() + u"/Tamsel"_s + common::platform::executableSuffix(), {});
    QVERIFY(process.waitForStarted());
    const bool ended = process.waitForFinished(staysUp ? 2000 : 10000);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    QVERIFY2(ended != staysUp, qPrintable(errors));
    if (!staysUp) {
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
    }
    if (told.isEmpty())
        QVERIFY2(!errors.contains(u"错误"_s), qPrintable(errors));
    for (const QString &part : told)
        QVERIFY2(errors.contains(part), qPrintable(errors));
}

void TamselProcessTest::commands_data()
{
    QTest::addColumn<bool>("removeKnowledgeBase"); // once the window is up
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("status");
    QTest::newRow("knowledge mode without vb.MDB") << true << QStringList{u"basic"_s} << 1;
    QTest::newRow("exit command") << false << QStringList{u"exit"_s} << 0;
    QTest::newRow("close box") << false << QStringList{u"close"_s} << 0;
    QTest::newRow("exit with the About box open") << false << QStringList{u"about"_s, u"exit"_s} << 0;
}

// The program worked through its menu in a process of its own: a failure in a command ends it
// with the message and status 1; the exit command and the close box end it with status 0.
void TamselProcessTest::commands()
{
    QFETCH(bool, removeKnowledgeBase);
    QFETCH(QStringList, commands);
    QFETCH(int, status);
    const QString program = folder() + u"/tamsel_driver"_s;
    QVERIFY(QFile::copy(QStringLiteral(TAMSEL_DRIVER), program));

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QDir::tempPath());
    process.start(program, {});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine() || process.state() != QProcess::Running, 10000);
    QCOMPARE(process.readLine(), "ready\n"_ba);
    const QString knowledgeBase = folder() + u"/vb.MDB"_s;
    if (removeKnowledgeBase)
        QVERIFY(QFile::remove(knowledgeBase));
    process.write((commands.join(u'\n') + u'\n').toLatin1());
    const bool ended = process.waitForFinished(10000);
    if (!ended)
        process.kill();
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(ended, qPrintable(errors));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    if (status == 0)
        QVERIFY2(!errors.contains(u"错误"_s), qPrintable(errors));
    else
        QVERIFY2(errors.contains(u"3024"_s) && errors.contains(knowledgeBase), qPrintable(errors));
}

QTEST_GUILESS_MAIN(TamselProcessTest)
#include "test_tamsel_process.moc"
