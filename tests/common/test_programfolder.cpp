#include "programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>

using namespace Qt::StringLiterals;

class ProgramFolderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void path_data();
    void path();
    void folderNameNotUtf8_data();
    void folderNameNotUtf8();
};

void ProgramFolderTest::path_data()
{
    QTest::addColumn<QStringList>("files"); // made under the folder
    QTest::addColumn<QString>("folderEnd"); // appended to the folder as given
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("expected"); // relative to the folder
    const QStringList both{u"vb.MDB"_s, u"VB.mdb"_s};
    const QStringList article{u"article/4/data9.txt"_s};
    QTest::newRow("exact name") << QStringList{u"vb.MDB"_s} << QString() << u"\\vb.MDB"_s << u"vb.MDB"_s;
    QTest::newRow("exact wins over a case variant") << both << QString() << u"\\vb.MDB"_s << u"vb.MDB"_s;
    QTest::newRow("exact wins, other spelling") << both << QString() << u"\\VB.mdb"_s << u"VB.mdb"_s;
    QTest::newRow("case-insensitive file") << QStringList{u"VB.mdb"_s} << QString() << u"\\vb.MDB"_s
                                           << u"VB.mdb"_s;
    QTest::newRow("case-insensitive pieces") << article << QString() << u"\\Article\\4\\DATA9.txt"_s
                                             << u"article/4/data9.txt"_s;
    QTest::newRow("missing file kept as written") << article << QString() << u"\\Article\\4\\Data8.TXT"_s
                                                  << u"article/4/Data8.TXT"_s;
    QTest::newRow("missing folder kept as written") << article << QString() << u"\\ARTICLE\\5\\Data9.txt"_s
                                                    << u"article/5/Data9.txt"_s;
    QTest::newRow("nothing there") << QStringList() << QString() << u"\\api.mdb"_s << u"api.mdb"_s;
    QTest::newRow("trailing slash on the folder") << QStringList{u"vb.mdb"_s} << u"/"_s << u"\\VB.MDB"_s
                                                  << u"vb.mdb"_s;
    QTest::newRow("trailing slashes on the folder") << QStringList() << u"//"_s << u"\\vb.MDB"_s
                                                    << u"vb.MDB"_s;
}

void ProgramFolderTest::path()
{
    QFETCH(QStringList, files);
    QFETCH(QString, folderEnd);
    QFETCH(QString, suffix);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &file : files) {
        const QString full = dir.filePath(file);
        QVERIFY(QDir().mkpath(QFileInfo(full).path()));
        QFile f(full);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString found = common::ProgramFolder(dir.path() + folderEnd).path(suffix);
#ifdef Q_OS_WIN
    // The system itself finds a name in any case: it is kept as written.
    QCOMPARE(found.toLower(), (dir.path() + u'/' + expected).toLower());
#else
    QCOMPARE(found, dir.path() + u'/' + expected);
#endif
}

void ProgramFolderTest::folderNameNotUtf8_data()
{
    QTest::addColumn<QString>("source"); // the program folder copied
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("damaged"); // a file of the folder overwritten with text
    QTest::addColumn<QStringList>("told"); // on standard error; empty: starts and stays up
    QTest::addColumn<QString>("made"); // a file then found in the folder

    const QString sqlite = QStringLiteral(TEST_PROGRAM_DIR);
    const QString jet = sqlite + u"-jet4"_s;
    QTest::newRow("Tamsel starts") << sqlite << u"Tamsel"_s << QString() << QStringList() << QString();
    QTest::newRow("Quorvi starts") << sqlite << u"Quorvi"_s << QString() << QStringList() << QString();
    QTest::newRow("Quorvi names its own damaged bank") << sqlite << u"Quorvi"_s << u"shiti.mdb"_s
                                                       << QStringList{u"3343"_s, u"“./shiti.mdb”"_s} << QString();
    QTest::newRow("Tamsel names its own damaged vb.MDB") << sqlite << u"Tamsel"_s << u"vb.MDB"_s
                                                         << QStringList{u"3343"_s, u"“./vb.MDB”"_s} << QString();
    QTest::newRow("Tamsel reads Jet files there") << jet << u"Tamsel"_s << QString() << QStringList() << QString();
    QTest::newRow("Quorvi converts its Jet bank in place") << jet << u"Quorvi"_s << QString() << QStringList()
                                                           << u"shiti.mdb.jet"_s;
}

// A folder unpacked from a Windows archive keeps its GBK name ("程序"), which is not UTF-8. The
// programs are started through a symlink with a plain name in another folder, from elsewhere.
void ProgramFolderTest::folderNameNotUtf8()
{
#ifdef Q_OS_WIN
    QSKIP("Windows names are UTF-16: every one of them has a QString");
#endif
    namespace fs = std::filesystem;
    QFETCH(QString, source);
    QFETCH(QString, program);
    QFETCH(QString, damaged);
    QFETCH(QStringList, told);
    QFETCH(QString, made);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path base(QFile::encodeName(dir.path()).toStdString());
    const fs::path folder = base / "\xb3\xcc\xd0\xf2";
    // QTemporaryDir cannot name what is inside that folder.
    const auto removeAll = qScopeGuard([&] { std::error_code ignored; fs::remove_all(base, ignored); });
    fs::copy(fs::path(QFile::encodeName(source).toStdString()), folder, fs::copy_options::recursive);
    if (!damaged.isEmpty())
        std::ofstream(folder / damaged.toStdString(), std::ios::trunc) << "这不是数据库文件。";
    fs::create_directory(base / "bin");
    fs::create_symlink(folder / program.toStdString(), base / "bin" / program.toStdString());

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"XDG_DATA_HOME"_s, dir.filePath(u"home"_s)); // a bank copied for the user lands here
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QDir::tempPath());
    process.start(dir.filePath(u"bin/"_s + program), {});
    QVERIFY(process.waitForStarted());
    const bool ended = process.waitForFinished(told.isEmpty() ? 2000 : 10000);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    QVERIFY2(ended != told.isEmpty(), qPrintable(errors));
    QVERIFY2(!errors.contains(u"错误"_s) || ended, qPrintable(errors));
    for (const QString &part : told)
        QVERIFY2(errors.contains(part), qPrintable(errors));
    if (ended)
        QCOMPARE(process.exitCode(), 1);
    if (!made.isEmpty())
        QVERIFY(fs::exists(folder / made.toStdString()));
}

QTEST_GUILESS_MAIN(ProgramFolderTest)
#include "test_programfolder.moc"
