#include "database.h"
#include "error.h"
#include "jetbackend.h"
#include "jetstream.h"
#include "jetwriter.h"
#include "sqlitewriter.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using testsupport::failure;
using testsupport::fileBytes;
using common::Database;
using common::Error;
using common::FieldValue;
using common::TableData;
using jetfixture::ColumnKind;
using jetfixture::Damage;
using jetfixture::JetOptions;
using jetfixture::JetTable;
using jetfixture::JetVersion;

namespace {

const QString kReader = QStringLiteral(TEST_PROGRAM_DIR) + u"/jetread"_s;
const QString kGuid = u"{8E39276A-BCA8-4AC4-891E-49911D8438DD}"_s;

void compareTables(const QString &path, const QList<TableData> &expected)
{
    const auto db = Database::open(path, Database::Access::ReadOnly);
    QStringList names;
    for (const TableData &t : expected)
        names.append(t.name);
    QCOMPARE(db->tableNames(), names);
    for (const TableData &t : expected) {
        auto rs = db->openRecordset(t.name);
        QCOMPARE(rs->recordCount(), int(t.rows.size()));
        for (int f = 0; f < int(t.fields.size()); ++f) {
            const QList<FieldValue> column = rs->column(t.fields[f]);
            for (qsizetype r = 0; r < t.rows.size(); ++r) {
                const FieldValue want = f < t.rows[r].size() ? t.rows[r][f] : std::nullopt;
                QVERIFY2(column[r] == want, qPrintable(u"%1 row %2 field %3: %4 / %5"_s.arg(
                                                t.name, QString::number(r), t.fields[f],
                                                column[r].value_or(u"NULL"_s).left(40), want.value_or(u"NULL"_s).left(40))));
            }
        }
    }
}

// A table with every kind of value the programs meet: NULL and empty, text that Jet 4 stores
// compressed and uncompressed, memos in the row, on one long-value page and over several, and a
// row longer than 256 bytes (Jet 3 then needs its jump table).
JetTable kindsTable()
{
    QString longMemo;
    while (longMemo.size() < 6000)
        longMemo += u"第%1段：变量在使用前应当先声明。Dim x As Integer\r\n"_s.arg(longMemo.size());
    const QString pageMemo = QString(300, u'说') + u"一二三 ABC"_s + QString(200, u'x');
    JetTable t;
    t.data = {u"字段"_s, {u"编号"_s, u"名称"_s, u"说明"_s, u"复制标识"_s},
              {{u"1"_s, u"ASCII only"_s, u"short memo"_s, kGuid},
               {std::nullopt, std::nullopt, std::nullopt, std::nullopt},
               {u"3"_s, u""_s, u""_s, u"{00000000-0000-0000-0000-00000000000F}"_s},
               {u"4"_s, u"中文标题"_s, u"中文"_s},
               {u"5"_s, u"VB6 的变量"_s, u"mixed 含中文 memo"_s},
               {u"-6"_s, u"一二三"_s, longMemo},
               {u"7"_s, u"引号\"和,逗号"_s, pageMemo},
               {u"8"_s, u"价格€5"_s, u"€"_s},
               {u"9"_s, u"moved row 移动"_s, u"moved memo"_s},
               {u"10"_s, u"after"_s, u"x"_s},
               {u"11"_s, QString(120, u'长') + u"标题"_s, u"一行超过 256 字节的记录"_s}}};
    t.kinds = {ColumnKind::Long, ColumnKind::Text, ColumnKind::Memo, ColumnKind::Guid};
    t.overflowRows = {0, 8};
    t.deletedBefore = {3, 9};
    return t;
}

// A small table as people list it; a moved and a deleted row, a GUID.
JetTable peopleTable()
{
    return {{u"人员"_s, {u"编号"_s, u"名称"_s, u"备注"_s, u"标识"_s},
             {{u"1"_s, u"张三"_s, u"说\"明"_s, kGuid},
              {std::nullopt, u""_s, std::nullopt, std::nullopt},
              {u"3"_s, std::nullopt, u"a,b\r\nc"_s, std::nullopt}}},
            {ColumnKind::Long, ColumnKind::Text, ColumnKind::Memo, ColumnKind::Guid},
            {1},
            {2}};
}

// Opening the file gives 3343 naming it, within seconds.
void checkUnrecognized(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    const Error e = failure([&] { Database::open(path, Database::Access::ReadOnly); });
    QCOMPARE(e.number(), int(common::UnrecognizedFormat));
    QVERIFY2(e.text().contains(path), qPrintable(e.text()));
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
}

} // namespace

Q_DECLARE_METATYPE(JetOptions)
Q_DECLARE_METATYPE(Damage)
Q_DECLARE_METATYPE(JetVersion)

// The reader program and the Jet backend, against files of the fixture writer.
class JetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { common::JetBackend::setReaderPath(kReader); }
    void init();
    void cleanup() { common::JetBackend::setReaderPath(kReader); }
    void fieldKinds_data();
    void fieldKinds();
    void sampleFolders_data();
    void sampleFolders();
    void hostile_data();
    void hostile();
    void escapes_data();
    void escapes();
    void forPeople_data();
    void forPeople();
    void windowsReader_data();
    void windowsReader();
    void outputFails_data();
    void outputFails();
    void writerLimits_data();
    void writerLimits();
    void malformedStream_data();
    void malformedStream();
    void readAhead_data();
    void readAhead();

private:
    QString file(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void JetTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void JetTest::fieldKinds_data()
{
    QTest::addColumn<JetOptions>("options");
    QTest::addColumn<bool>("versionNoise"); // a stray byte beside the version, which the library ignores
    QTest::newRow("Jet 4") << JetOptions{JetVersion::Jet4, 936, Damage::None} << false;
    QTest::newRow("Jet 3, header code page 936") << JetOptions{JetVersion::Jet3, 936, Damage::None} << false;
    QTest::newRow("Jet 3, header code page 1252") << JetOptions{JetVersion::Jet3, 1252, Damage::None} << false;
    QTest::newRow("Jet 3, a stray byte beside the version") << JetOptions{JetVersion::Jet3, 936, Damage::None} << true;
}

// NULL stays apart from empty text, Chinese comes back right, no memo is cut, deleted rows are
// skipped and a moved row comes in its place; a write is refused and leaves the file as it was.
void JetTest::fieldKinds()
{
    QFETCH(JetOptions, options);
    QFETCH(bool, versionNoise);
    const JetTable kinds = kindsTable();
    const JetTable empty{{u"空表"_s, {u"名称"_s}, {}}, {}, {}, {}};
    const QString path = file(u"kinds.mdb"_s);
    QVERIFY(jetfixture::writeJetFile(path, {kinds, empty}, options));
    if (versionNoise) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(0x17) && f.putChar('\xD3'));
    }
    compareTables(path, {kinds.data, empty.data});
    const QByteArray bytes = fileBytes(path);
    QVERIFY(bytes.contains(QByteArray::fromHex("6A27398EA8BCC44A891E49911D8438DD"))); // a GUID as Windows stores it
    if (options.version == JetVersion::Jet4) { // both forms of Jet 4 text are really there
        const QString plain = u"中文标题"_s;
        QVERIFY(bytes.contains(QByteArray("\xFF\xFEVB6 \0", 7)));
        QVERIFY(bytes.contains(QByteArray(reinterpret_cast<const char *>(plain.utf16()), plain.size() * 2)));
    }

    const QByteArray before = fileBytes(path);
    const auto db = Database::open(path, Database::Access::ReadWrite);
    auto rs = db->openRecordset(u"字段"_s);
    rs->setAbsolutePosition(5);
    QCOMPARE(rs->field(u"编号"_s), FieldValue(u"-6"_s));
    const Error e = failure([&] { rs->setField(u"名称"_s, u"改"_s); });
    QCOMPARE(e.number(), int(common::CannotOpenFile));
    QVERIFY(e.text().contains(path));
    QCOMPARE(fileBytes(path), before);
}

void JetTest::sampleFolders_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    for (const QString &folder : {u"program-jet4"_s, u"program-jet3"_s}) {
        for (const QString &name : {u"vb.MDB"_s, u"api.mdb"_s, u"shili.mdb"_s, u"shiti.mdb"_s})
            QTest::newRow(qPrintable(folder + u' ' + name)) << folder << name;
    }
}

// The build's Jet folders hold the same content as the SQLite one. Their question bank holds the
// answers of whoever ran Quorvi there, so it is compared as converted afresh.
void JetTest::sampleFolders()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    const QString program = QStringLiteral(TEST_PROGRAM_DIR);
    // Field names and values through the SQLite file, the reference.
    const QList<TableData> expected = common::readTables(*Database::open(program + u'/' + name, Database::Access::ReadOnly));
    QList<JetTable> tables;
    for (const TableData &t : expected)
        tables.append({t, {}, {}, {}});
    QVERIFY(!expected.isEmpty());
    QString jet = QFileInfo(program).dir().filePath(folder + u'/' + name);
    if (name == u"shiti.mdb"_s) {
        jet = file(name);
        const JetVersion version = folder.endsWith(u"jet3"_s) ? JetVersion::Jet3 : JetVersion::Jet4;
        QVERIFY(jetfixture::writeJetFile(jet, tables, {version, 936, Damage::None}));
    }
    compareTables(jet, expected);
}

void JetTest::hostile_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("change");
    QTest::newRow("usage map of no bytes") << Damage::EmptyUsageMap << QString();
    QTest::newRow("long value row pointing at itself") << Damage::SelfPointingLongValue << QString();
    QTest::newRow("truncated") << Damage::None << u"truncate"_s;
    QTest::newRow("unknown version") << Damage::None << u"version"_s;
    QTest::newRow("random pages after the header") << Damage::None << u"random"_s;
    QTest::newRow("a folder") << Damage::None << u"folder"_s;
    QTest::newRow("reader program missing") << Damage::None << u"no reader"_s;
}

// Whatever the file does to the reader, the caller gets 3343 naming the file within seconds.
void JetTest::hostile()
{
    QFETCH(Damage, damage);
    QFETCH(QString, change);
    const QString path = file(u"bad.mdb"_s);
    QVERIFY(jetfixture::writeJetFile(path, {kindsTable()}, {JetVersion::Jet4, 936, damage}));
    QFile f(path);
    if (change == u"truncate"_s) {
        QVERIFY(f.resize(f.size() / 2));
    } else if (change == u"random"_s) {
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray junk(int(f.size()) - 4096, '\0');
        QRandomGenerator rng(9);
        for (char &c : junk)
            c = char(rng.bounded(256));
        f.seek(4096);
        f.write(junk);
        f.close();
    } else if (change == u"version"_s) {
        QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(0x14) && f.putChar('\x09'));
        f.close();
    } else if (change == u"folder"_s) {
        QVERIFY(f.remove() && QDir().mkdir(path));
    } else if (change == u"no reader"_s) {
        common::JetBackend::setReaderPath(file(u"jetread"_s));
    }
    checkUnrecognized(path);
}

void JetTest::escapes_data()
{
    QTest::addColumn<QString>("escape");
    QTest::addColumn<QStringList>("before"); // the arguments before the file, and after it
    QTest::addColumn<QStringList>("after");
    QTest::newRow("open another file, stream") << u"open"_s << QStringList() << QStringList();
    QTest::newRow("start a process, --tables") << u"process"_s << QStringList{u"--tables"_s} << QStringList();
    QTest::newRow("make a socket, --csv") << u"socket"_s << QStringList{u"--csv"_s} << QStringList{u"人员"_s};
}

// A reader taken over by its file gets nothing: once confined, opening a file, starting a process
// or making a socket kills it with SIGSYS, and the record layer reports 3343 naming the file.
void JetTest::escapes()
{
    QFETCH(QString, escape);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    const QString path = file(u"people.mdb"_s);
    QVERIFY(jetfixture::writeJetFile(path, {peopleTable()}, {}));
    const QString escapeSwitch = u"--try-escape="_s + escape;
    QProcess p;
    p.start(kReader, QStringList{escapeSwitch} + before + QStringList{path} + after);
    QVERIFY(p.waitForFinished(10000));
    QVERIFY2(p.exitStatus() == QProcess::CrashExit, p.readAllStandardError().constData());
    QCOMPARE(p.exitCode(), SIGSYS);
    QVERIFY(p.readAllStandardOutput().isEmpty());

    // The programs run the reader with its file alone: a script puts the switch in front.
    const QString script = file(u"escaping-reader"_s);
    QFile f(script);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(u"#!/bin/sh\nexec '%1' %2 \"$@\"\n"_s.arg(kReader, escapeSwitch).toUtf8());
    f.close();
    QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ExeOwner));
    common::JetBackend::setReaderPath(script);
    checkUnrecognized(path);
}

void JetTest::forPeople_data()
{
    QTest::addColumn<JetVersion>("version");
    QTest::newRow("Jet 4") << JetVersion::Jet4;
    QTest::newRow("Jet 3") << JetVersion::Jet3;
}

// The reader's own output for people: table names, and a table as CSV.
void JetTest::forPeople()
{
    QFETCH(JetVersion, version);
    const JetTable second{{u"第二表"_s, {u"x"_s}, {}}, {}, {}, {}};
    const QString path = file(u"people.mdb"_s);
    QVERIFY(jetfixture::writeJetFile(path, {peopleTable(), second}, {version, 936, Damage::None}));
    const auto run = [&](const QStringList &args) {
        QProcess p;
        p.start(kReader, args);
        p.waitForFinished();
        return p.readAllStandardOutput();
    };
    QCOMPARE(QString::fromUtf8(run({u"--tables"_s, path})), u"人员\n第二表\n"_s);
    QCOMPARE(QString::fromUtf8(run({u"--csv"_s, path, u"人员"_s})),
             u"\"编号\",\"名称\",\"备注\",\"标识\"\r\n1,\"张三\",\"说\"\"明\",%1\r\n,\"\",,\r\n3,,\"a,b\r\nc\",\r\n"_s.arg(kGuid));
}

void JetTest::windowsReader_data()
{
    QTest::addColumn<JetOptions>("options");
    QTest::addColumn<QString>("name"); // the file's path in the temporary folder
    QTest::addColumn<bool>("truncated");
    const JetOptions jet4{JetVersion::Jet4, 936, Damage::None};
    QTest::newRow("Jet 4") << jet4 << u"kinds.mdb"_s << false;
    QTest::newRow("Jet 3, header code page 936") << JetOptions{JetVersion::Jet3, 936, Damage::None} << u"kinds.mdb"_s << false;
    QTest::newRow("Jet 3, header code page 1252") << JetOptions{JetVersion::Jet3, 1252, Damage::None} << u"kinds.mdb"_s << false;
    QTest::newRow("Chinese folder and file names") << jet4 << u"中文目录/资料 库.mdb"_s << false;
    QTest::newRow("truncated") << jet4 << u"kinds.mdb"_s << true;
}

// The Windows build of the reader writes byte for byte what this one writes, in every mode, exit
// status included. Runs where TAMSEL_WINE names Wine's loader and TAMSEL_WINDOWS_JETREAD the
// jetread.exe to run with it (Wine's own variables, such as WINEPREFIX, are passed on).
void JetTest::windowsReader()
{
    const QString wine = qEnvironmentVariable("TAMSEL_WINE");
    const QString windowsReader = qEnvironmentVariable("TAMSEL_WINDOWS_JETREAD");
    if (wine.isEmpty() || windowsReader.isEmpty())
        QSKIP("TAMSEL_WINE and TAMSEL_WINDOWS_JETREAD name no Windows reader");
    QFETCH(JetOptions, options);
    QFETCH(QString, name);
    QFETCH(bool, truncated);
    const QString path = file(name);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const JetTable empty{{u"空表"_s, {u"名称"_s}, {}}, {}, {}, {}};
    QVERIFY(jetfixture::writeJetFile(path, {kindsTable(), peopleTable(), empty}, options));
    if (truncated)
        QVERIFY(QFile(path).resize(QFile(path).size() / 2));
    const auto run = [](const QString &program, const QStringList &args) {
        QProcess p;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s); // Wine reads its arguments in the locale's character set
        p.setProcessEnvironment(environment);
        p.start(program, args);
        p.waitForFinished(120000);
        return std::make_pair(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput());
    };
    for (const QStringList &args : {QStringList{path}, {u"--tables"_s, path}, {u"--csv"_s, path, u"字段"_s},
                                    {u"--csv"_s, path, u"人员"_s}, {u"--csv"_s, path, u"空表"_s}}) {
        const auto [status, output] = run(kReader, args);
        const auto [windowsStatus, windowsOutput] = run(wine, QStringList{windowsReader} + args);
        QVERIFY2(windowsStatus == status && windowsOutput == output,
                 qPrintable(u"%1: exit %2, %3 bytes; Windows: exit %4, %5 bytes"_s.arg(
                     args.join(u' '), QString::number(status), QString::number(output.size()),
                     QString::number(windowsStatus), QString::number(windowsOutput.size()))));
    }
}

void JetTest::outputFails_data()
{
    QTest::addColumn<QStringList>("before"); // the arguments before the file, and after it
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<bool>("fullDisk"); // otherwise a pipe whose reader has gone
    const QList<std::tuple<const char *, QStringList, QStringList>> modes{
        {"stream", {}, {}}, {"--tables", {u"--tables"_s}, {}}, {"--csv", {u"--csv"_s}, {u"人员"_s}}};
    for (const auto &[name, before, after] : modes) {
        QTest::addRow("%s, reader gone", name) << before << after << false;
        QTest::addRow("%s, disk full", name) << before << after << true;
    }
}

// Output that cannot be written is a failure with a message, whichever way it fails.
void JetTest::outputFails()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(bool, fullDisk);
    const QString path = file(u"people.mdb"_s);
    QVERIFY(jetfixture::writeJetFile(path, {peopleTable()}, {}));
    QProcess p;
    int ends[2] = {-1, -1};
    if (fullDisk) {
        p.setStandardOutputFile(u"/dev/full"_s);
    } else {
        QVERIFY(::pipe2(ends, O_CLOEXEC) == 0);
        ::close(ends[0]); // gone before the first byte is written
        // The reader starts with SIGPIPE as a shell leaves it: the first write would kill it.
        p.setChildProcessModifier([end = ends[1]] {
            ::dup2(end, STDOUT_FILENO);
            std::signal(SIGPIPE, SIG_DFL);
        });
    }
    p.start(kReader, before + QStringList{path} + after);
    const bool finished = p.waitForFinished(10000);
    if (ends[1] >= 0)
        ::close(ends[1]);
    QVERIFY(finished);
    const QString errors = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(errors.contains(u"cannot write the output"_s), qPrintable(errors));
}

void JetTest::writerLimits_data()
{
    QTest::addColumn<JetVersion>("version");
    QTest::addColumn<bool>("rowTooLarge"); // otherwise a definition over several pages
    for (const JetVersion version : {JetVersion::Jet4, JetVersion::Jet3}) {
        const char *name = version == JetVersion::Jet4 ? "Jet 4" : "Jet 3";
        QTest::addRow("%s, a row larger than a page", name) << version << true;
        QTest::addRow("%s, a definition longer than a page", name) << version << false;
    }
}

// The fixture writer refuses a row no page can hold, naming table, row and page size and leaving
// no file; a table definition too long for its page goes on over more pages and reads back whole.
void JetTest::writerLimits()
{
    QFETCH(JetVersion, version);
    QFETCH(bool, rowTooLarge);
    JetTable table{{u"宽表"_s, {}, {{}, {}}}, {}, {}, {}};
    const int columns = rowTooLarge ? 12 : 100;
    for (int c = 0; c < columns; ++c) {
        table.data.fields.append(rowTooLarge ? u"第%1列"_s.arg(c) : u"第%1列"_s.arg(c) + QString(60, u'名'));
        table.kinds.append(ColumnKind::Text);
        table.data.rows[0].append(QString(rowTooLarge ? 250 : 2, u'汉'));
        table.data.rows[1].append(c % 2 ? std::nullopt : FieldValue(u"x%1"_s.arg(c)));
    }
    const QString path = file(u"wide.mdb"_s);
    const Error e = failure([&] { jetfixture::writeJetFile(path, {table}, {version, 936, Damage::None}); });
    if (!rowTooLarge) {
        QCOMPARE(e.number(), 0);
        compareTables(path, {table.data});
        return;
    }
    QCOMPARE(e.number(), 3047);
    const QString pageSize = version == JetVersion::Jet4 ? u"4096"_s : u"2048"_s;
    for (const QString &part : {path, u"宽表"_s, u"第 1 行"_s, pageSize})
        QVERIFY2(e.text().contains(part), qPrintable(e.text()));
    QVERIFY(!QFile::exists(path));
}

void JetTest::malformedStream_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("rows"); // -1: rejected
    const QByteArray table = QByteArray("JETREAD1T\x01\0\0\0tF\x01\0\0\0f", 20);
    const QByteArray row = QByteArray("R\x02\0\0\0ab", 7);
    const QByteArray nullRow = QByteArray("R\xFF\xFF\xFF\xFF", 5);
    QTest::newRow("two rows") << table + row + nullRow + "E" << 2;
    QTest::newRow("no end frame") << table + row << -1;
    QTest::newRow("bytes after the end") << table + row + "EE" << -1;
    QTest::newRow("value longer than the stream") << table + QByteArray("R\x09\0\0\0ab", 7) + "E" << -1;
    QTest::newRow("field after a row") << table + row + QByteArray("F\x01\0\0\0g", 6) + "E" << -1;
    QTest::newRow("row before any table") << QByteArray("JETREAD1") + row + "E" << -1;
    QTest::newRow("NULL as a table name") << QByteArray("JETREAD1T\xFF\xFF\xFF\xFF" "E", 14) << -1;
    QTest::newRow("unknown frame") << table + "X" + "E" << -1;
    QTest::newRow("no magic") << QByteArray("E") << -1;
}

void JetTest::malformedStream()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, rows);
    const auto tables = common::parseJetStream(stream);
    QCOMPARE(tables.has_value(), rows >= 0);
    if (tables) {
        QCOMPARE(tables->first().rowCount, rows);
        QCOMPARE(tables->first().columns[0], QList<FieldValue>({u"ab"_s, std::nullopt}));
    }
}


void JetTest::readAhead_data()
{
    QTest::addColumn<int>("waitMs");   // before the open: events processed, the reader long finished
    QTest::addColumn<int>("holdMs");   // before the open: the caller's thread busy, no events
    QTest::addColumn<bool>("changedSince");
    QTest::newRow("opened at once") << 0 << 0 << false;
    QTest::newRow("events processed before the open") << 500 << 0 << false;
    QTest::newRow("caller busy past the reader's deadline") << 0 << 3500 << false;
    QTest::newRow("file replaced after the read began") << 0 << 500 << true;
}

// A file read ahead in the background is what an open finds, unless the file changed since,
// however long the open comes after the reader finished.
void JetTest::readAhead()
{
    QFETCH(int, waitMs);
    QFETCH(int, holdMs);
    QFETCH(bool, changedSince);
    const JetOptions options{JetVersion::Jet4, 936, Damage::None};
    const JetTable first{{u"第一"_s, {u"名称"_s}, {{u"甲"_s}}}, {}, {}, {}};
    const JetTable second{{u"第二"_s, {u"名称"_s, u"说明"_s}, {{u"乙"_s, u"丙"_s}, {u"丁"_s, {}}}}, {}, {}, {}};
    const QString path = file(u"ahead.mdb"_s);
    QVERIFY(jetfixture::writeJetFile(path, {first}, options));
    common::JetBackend::prefetch(path);
    QTest::qWait(waitMs);
    QThread::msleep(holdMs);
    if (changedSince) {
        QVERIFY(QFile::remove(path));
        QVERIFY(jetfixture::writeJetFile(path, {second, first}, options));
    }
    compareTables(path, changedSince ? QList<TableData>{second.data, first.data} : QList<TableData>{first.data});
}

QTEST_GUILESS_MAIN(JetTest)
#include "test_jet.moc"
