#include "database.h"
#include "error.h"
#include "form1.h"
#include "jetbackend.h"
#include "platform.h"
#include "messenger.h"
#include "processstarter.h"
#include "registry.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QListWidget>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

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

class NoMessenger : public common::Messenger
{
public:
    void showError(const common::Error &error) override { told += error.text(); }
    void showMessage(const QString &, const QString &) override {}
    QString told;
};

} // namespace

// Both programs, built and started offscreen on a copy of the Jet 4 sample folder.
class JetProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void programs_data();
    void programs();
    void knowledgeTree();

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
    QTest::newRow("Tamsel on the Jet folder") << u"Tamsel"_s << true << true;
    QTest::newRow("Tamsel without the reader program") << u"Tamsel"_s << false << false;
    QTest::newRow("Quorvi on a Jet question bank") << u"Quorvi"_s << true << true;
}

void JetProcessTest::programs()
{
    QFETCH(QString, program);
    QFETCH(bool, withReader);
    QFETCH(bool, staysUp);
    if (!withReader)
        QVERIFY(QFile::remove(folder() + u"/jetread"_s + common::platform::executableSuffix()));
    const QByteArray bank = testsupport::fileBytes(folder() + u"/shiti.mdb"_s);

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
        kept = kept || testsupport::fileBytes(entry.filePath()) == bank;
    QVERIFY(kept);
}

// The window Tamsel shows first, on the Jet knowledge base: one section per table, one entry per
// record, in the file's order. The record sources are read ahead and opened after the window has
// been shown and events processed, as on a desktop: the API list and the technique data are there.
void JetProcessTest::knowledgeTree()
{
    common::JetBackend::setReaderPath(folder() + u"/jetread"_s + common::platform::executableSuffix());
    const auto db = common::Database::open(folder() + u"/vb.MDB"_s, common::Database::Access::ReadOnly);
    const QStringList tables = db->tableNames();
    QVERIFY(tables.size() > 1);
    const QList<common::FieldValue> titles = db->openRecordset(tables.first())->column(u"目录"_s);

    NoMessenger messenger;
    common::DetachedProcessStarter starter;
    tamsel::LinuxRegistry registry;
    tamsel::Form1 form(common::ProgramFolder(folder()),
                       {messenger, starter, registry, [](const QString &path) { return QFileInfo(path).isFile(); }});
    form.readRecordSourcesAhead();
    form.Form_Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(500);
    form.openRecordSources();
    QCOMPARE(messenger.told, QString());
    const auto *functions = form.findChild<QListWidget *>(u"DBList1"_s);
    QVERIFY(functions);
    const auto api = common::Database::open(folder() + u"/api.mdb"_s, common::Database::Access::ReadOnly);
    QCOMPARE(functions->count(), api->openRecordset(u"winfun"_s)->recordCount());
    auto *tree = form.findChild<QTreeWidget *>(u"TreeView1"_s);
    QVERIFY(tree);
    QCOMPARE(tree->topLevelItemCount(), tables.size());
    QCOMPARE(tree->topLevelItem(0)->text(0), tables.first().right(4));
    QCOMPARE(tree->topLevelItem(0)->childCount(), titles.size());
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), titles.first().value_or(QString()));
}

QTEST_MAIN(JetProcessTest)
#include "test_jet_process.moc"
