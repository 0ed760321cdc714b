#include "fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Change { None, Remove, Garbage, Empty, Folder, RenameCase, NoTitleField };

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

private:
    QString folder() const { return QFileInfo(m_dir->path()).canonicalFilePath(); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TamselProcessTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (const QString &file : {u"Tamsel"_s, u"vb.MDB"_s, u"api.mdb"_s, u"shili.mdb"_s})
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
    }

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QDir::tempPath());
    process.start(folder() + u"/Tamsel"_s, {});
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

QTEST_GUILESS_MAIN(TamselProcessTest)
#include "test_tamsel_process.moc"
