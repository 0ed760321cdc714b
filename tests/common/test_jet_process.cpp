#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray hashOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

// The programs and databases; starting up reads no article.
bool copyFolder(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    for (const QFileInfo &entry : QDir(from).entryInfoList(QDir::Files)) {
        if (!QFile::copy(entry.filePath(), to + u'/' + entry.fileName()))
            return false;
    }
    return true;
}

} // namespace

// Both programs, built and started offscreen on a copy of the Jet 4 sample folder.
class JetProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void programs_data();
    void programs();

private:
    QString folder() const { return QFileInfo(m_dir->path()).canonicalFilePath() + u"/program"_s; }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void JetProcessTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString jet4 = QFileInfo(QStringLiteral(TEST_PROGRAM_DIR)).dir().filePath(u"program-jet4"_s);
    QVERIFY(copyFolder(jet4, folder()));
}

void JetProcessTest::programs_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("withReader");
    QTest::addColumn<bool>("staysUp"); // otherwise it must end with status 1 and name vb.MDB with 3343
    QTest::newRow("Tamsel builds its tree from the Jet knowledge base") << u"Tamsel"_s << true << true;
    QTest::newRow("Tamsel without the reader program") << u"Tamsel"_s << false << false;
    QTest::newRow("Quorvi on a Jet question bank") << u"Quorvi"_s << true << true;
}

void JetProcessTest::programs()
{
    QFETCH(QString, program);
    QFETCH(bool, withReader);
    QFETCH(bool, staysUp);
    if (!withReader)
        QVERIFY(QFile::remove(folder() + u"/jetread"_s));
    const QByteArray bank = hashOf(folder() + u"/shiti.mdb"_s);

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QDir::tempPath());
    process.start(folder() + u'/' + program, {});
    QVERIFY(process.waitForStarted());
    const bool ended = process.waitForFinished(staysUp ? 3000 : 10000);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    QVERIFY2(ended != staysUp, qPrintable(errors));
    if (staysUp) {
        QVERIFY2(!errors.contains(u"错误"_s), qPrintable(errors));
    } else {
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(errors.contains(u"3343"_s) && errors.contains(u"vb.MDB"_s), qPrintable(errors));
    }
    // The Jet bank is never written: it is still there, byte for byte, under some name.
    bool kept = false;
    for (const QFileInfo &entry : QDir(folder()).entryInfoList(QDir::Files))
        kept = kept || hashOf(entry.filePath()) == bank;
    QVERIFY(kept);
}

QTEST_GUILESS_MAIN(JetProcessTest)
#include "test_jet_process.moc"
