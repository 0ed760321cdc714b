#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

QStringList filesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(root).relativeFilePath(it.next()));
    files.sort();
    return files;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// `cmake --install` of this build tree into a staging directory, prefix /usr, as the package does.
class InstallTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void programFolderAsBuilt();
    void launchers_data();
    void launchers();
    void launcherFindsTheProgramFolder();
    void desktopIntegration_data();
    void desktopIntegration();

private:
    QString usr(const QString &path) const { return m_root + u"/usr/"_s + path; }

    QTemporaryDir m_dir;
    QString m_root;
};

void InstallTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_root = QFileInfo(m_dir.path()).canonicalFilePath();
    QProcess install;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DESTDIR"_s, m_root);
    install.setProcessEnvironment(env);
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(TEST_CMAKE), {u"--install"_s, QStringLiteral(TEST_BUILD_DIR), u"--prefix"_s, u"/usr"_s});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0, install.readAll().constData());
}

void InstallTest::programFolderAsBuilt()
{
    const QString built = QStringLiteral(TEST_PROGRAM_DIR);
    const QString installed = usr(u"lib/tamsel"_s);
    const QStringList files = filesUnder(built);
    QCOMPARE(filesUnder(installed), files);
    for (const QString &file : files) {
        const QFileInfo from(built + u'/' + file), to(installed + u'/' + file);
        if (file == u"shiti.mdb")
            // Never the answers given in the build tree: the bank as compiled.
            QVERIFY(contents(to.filePath()) == contents(QStringLiteral(TEST_FRESH_BANK)));
        else if (from.isExecutable())
            QVERIFY2(to.isExecutable(), qPrintable(file));
        else
            QVERIFY2(contents(to.filePath()) == contents(from.filePath()), qPrintable(file));
    }
    QVERIFY(!contents(installed + u"/shiti.mdb"_s).isEmpty());
}

void InstallTest::launchers_data()
{
    QTest::addColumn<QString>("launcher");
    QTest::addColumn<QString>("program");
    QTest::newRow("tamsel") << u"bin/tamsel"_s << u"lib/tamsel/Tamsel"_s;
    QTest::newRow("quorvi") << u"bin/quorvi"_s << u"lib/tamsel/Quorvi"_s;
}

void InstallTest::launchers()
{
    QFETCH(QString, launcher);
    QFETCH(QString, program);
    const QFileInfo link(usr(launcher));
    QVERIFY(link.isSymLink());
    // Relative, so it holds wherever the tree is unpacked.
    QVERIFY(std::filesystem::read_symlink(QFile::encodeName(link.filePath()).toStdString()).is_relative());
    QCOMPARE(link.canonicalFilePath(), usr(program));
    QVERIFY(link.isExecutable());
}

void InstallTest::launcherFindsTheProgramFolder()
{
    // Without its knowledge base Tamsel stops at once and names the file it looked for: that
    // path shows the folder it took for its program folder.
    const QString knowledge = usr(u"lib/tamsel/vb.MDB"_s);
    QVERIFY(QFile::rename(knowledge, knowledge + u".away"_s));
    QProcess tamsel;
    tamsel.start(usr(u"bin/tamsel"_s), {});
    const bool finished = tamsel.waitForFinished(60000);
    if (!finished)
        tamsel.kill();
    QVERIFY(QFile::rename(knowledge + u".away"_s, knowledge));
    QVERIFY(finished);
    QCOMPARE(tamsel.exitCode(), 1);
    const QString told = QString::fromUtf8(tamsel.readAllStandardError());
    QVERIFY2(told.contains(u"“"_s + knowledge + u"”"_s), qPrintable(told));
}

void InstallTest::desktopIntegration_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("validator"); // empty: only present
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("package");

    const QString desktopValidate = u"desktop-file-validate"_s;
    for (const QString &app : {u"Tamsel"_s, u"Quorvi"_s}) {
        const QString id = u"io.github.tamsel."_s + app;
        const QString entry = usr(u"share/applications/"_s + id + u".desktop"_s);
        QTest::addRow("%s menu entry", qPrintable(app))
            << QStringList{entry} << desktopValidate << QStringList{entry} << u"desktop-file-utils"_s;
        QStringList icons{usr(u"share/icons/hicolor/scalable/apps/"_s + id + u".svg"_s)};
        for (const int size : {16, 32, 48, 64, 128, 256})
            icons.append(usr(u"share/icons/hicolor/%1x%1/apps/"_s.arg(size) + id + u".png"_s));
        QTest::addRow("%s icons", qPrintable(app)) << icons << QString() << QStringList() << QString();
    }
    // validate-tree also checks that the metadata's launchables are there.
    QTest::newRow("AppStream metadata")
        << QStringList{usr(u"share/metainfo/io.github.tamsel.Tamsel.metainfo.xml"_s)} << u"appstreamcli"_s
        << QStringList{u"validate-tree"_s, u"--no-net"_s, m_root} << u"appstream"_s;
}

void InstallTest::desktopIntegration()
{
    QFETCH(QStringList, files);
    QFETCH(QString, validator);
    QFETCH(QStringList, arguments);
    QFETCH(QString, package);
    for (const QString &file : files)
        QVERIFY2(QFileInfo(file).isFile() && QFileInfo(file).size() > 0, qPrintable(file));
    if (validator.isEmpty())
        return;
    if (QStandardPaths::findExecutable(validator).isEmpty())
        QSKIP(qPrintable(u"%1 is not installed (Debian package %2): not validated"_s.arg(validator, package)));
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(validator, arguments);
    QVERIFY(check.waitForFinished(60000));
    QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, check.readAll().constData());
}

QTEST_GUILESS_MAIN(InstallTest)
#include "test_install.moc"
