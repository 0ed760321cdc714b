#include "jetbackend.h"

#include "error.h"
#include "jetstream.h"
#include "platform.h"
#include "programfolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <optional>
#include <unordered_map>
#include <numeric>

using namespace Qt::StringLiterals;

namespace common {

namespace {

QString g_readerPath;
QMutex g_readersLock; // guards the readers started ahead and the files open

constexpr qint64 kBaseDeadlineMs = 3000;
constexpr qint64 kMsPerMegabyte = 1000; // the reader manages well over 10 MB a second
constexpr qint64 kMaxDeadlineMs = 120000;
constexpr qint64 kAddressSpace = qint64(1) << 30;
// Text may grow threefold from the file into UTF-8, and rows may share one long value; past this
// the file is not one of ours, and its output is not kept.
qsizetype maxOutput(qint64 fileSize)
{
    return qsizetype(std::clamp<qint64>(16 * fileSize, qint64(64) << 20, qint64(1) << 30));
}

class JetTable : public TableSource
{
public:
    JetTable(QString path, std::shared_ptr<const QList<JetTableData>> tables, qsizetype index)
        : m_path(std::move(path))
        , m_tables(std::move(tables))
        , m_table(m_tables->at(index))
    {
    }

    const QString &name() const override { return m_table.name; }
    const QStringList &fieldNames() const override { return m_table.fields; }

    QList<qint64> keys() override
    {
        QList<qint64> keys(m_table.rowCount);
        std::iota(keys.begin(), keys.end(), qint64(0));
        return keys;
    }

    FieldValue read(qint64 key, int field) override
    {
        if (key < 0 || key >= m_table.rowCount)
            throw Error::noCurrentRecord(m_table.name);
        return m_table.columns.at(field).at(key);
    }

    QList<FieldValue> readColumn(int field) override { return m_table.columns.at(field); }

    QList<QList<FieldValue>> readRows(const QList<int> &fields, const QList<qint64> &keys) override
    {
        QList<QList<FieldValue>> columns(fields.size());
        if (keys.isEmpty())
            return columns;
        if (keys.first() < 0 || keys.last() >= m_table.rowCount)
            throw Error::noCurrentRecord(m_table.name);
        // The keys are row numbers, and a run of rows is a run of numbers.
        for (qsizetype i = 0; i < fields.size(); ++i)
            columns[i] = m_table.columns.at(fields[i]).mid(keys.first(), keys.size());
        return columns;
    }

    void write(qint64, int, const FieldValue &) override
    {
        throw Error(CannotOpenFile, u"无法写入数据库“%1”：Access 数据库文件只能读取，不能修改。"_s.arg(m_path));
    }

private:
    QString m_path;
    std::shared_ptr<const QList<JetTableData>> m_tables;
    const JetTableData &m_table;
};

// What one run of the reader gave: everything it wrote, or nothing when it failed.
using ReaderOutput = std::optional<QByteArray>;

// Runs the reader to its end on a thread of its own. Its output is drained as it comes, so the
// reader never waits on a full pipe, and its time is its own: the deadline counts from its start,
// whatever the thread that started it is doing meanwhile. `cancelled` ends it early.
ReaderOutput runReader(const QString &reader, const QString &path, qint64 deadlineMs, qsizetype outputLimit,
                       const std::atomic<bool> &cancelled)
{
    QProcess process;
    process.setProgram(reader);
    // The paths go as they are, relative ones against the working folder the reader inherits: a
    // program folder whose name is not UTF-8 is known only as "." and cannot be spelled out.
    process.setArguments({path.startsWith(u'-') ? u"./"_s + path : path});
    process.setProcessEnvironment(QProcessEnvironment()); // nothing inherited
    process.setStandardInputFile(QProcess::nullDevice());
    // Its messages mean nothing to the user.
    process.setStandardErrorFile(QProcess::nullDevice());
    platform::ProcessConfinement confinement(process, kAddressSpace, deadlineMs / 1000 + 1);
    QElapsedTimer clock;
    clock.start();
    process.start(QIODevice::ReadOnly);
    // No event loop runs on this thread, so the process is still starting here, however quickly it ends.
    if (!process.waitForStarted(int(deadlineMs)))
        return std::nullopt;
    if (!confinement.started()) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    QByteArray output;
    bool failed = false;
    while (!failed && process.state() != QProcess::NotRunning) {
        const qint64 left = deadlineMs - clock.elapsed();
        failed = left <= 0 || cancelled.load();
        if (!failed) {
            process.waitForReadyRead(int(std::min<qint64>(left, 100)));
            output += process.readAllStandardOutput();
            failed = output.size() > outputLimit;
        }
    }
    if (failed) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    output += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || output.size() > outputLimit)
        return std::nullopt;
    return output;
}

// One run of the reader on one file, from its start to everything it wrote. It runs from the
// moment it is made; finish() collects it.
class ReaderRun
{
public:
    // Starts the reader on the file `info` describes; throws 3343 when there is no reader to start.
    ReaderRun(const QString &reader, const QString &path, const QFileInfo &info)
        : m_path(path)
    {
        const QFileInfo program(reader);
        if (reader.isEmpty() || !program.isExecutable() || !program.isFile()) {
            throw Error(UnrecognizedFormat,
                        u"无法读取数据库“%1”：找不到读取 Access 数据库的程序“%2”。"_s.arg(path, reader));
        }
        const qint64 megabytes = info.size() >> 20;
        const qint64 deadline = std::min(kBaseDeadlineMs + megabytes * kMsPerMegabyte, kMaxDeadlineMs);
        const qsizetype limit = maxOutput(info.size());
        m_thread.reset(QThread::create([this, reader, path, deadline, limit] {
            m_output = runReader(reader, path, deadline, limit, m_cancelled);
        }));
        m_thread->start();
    }

    ~ReaderRun()
    {
        m_cancelled = true;
        m_thread->wait();
    }

    // Everything the reader wrote; throws 3343 when it failed, took too long or wrote too much.
    QByteArray finish()
    {
        m_thread->wait();
        if (!m_output)
            throw Error::unrecognizedFormat(m_path);
        return std::exchange(m_output, std::nullopt).value();
    }

private:
    QString m_path;
    std::atomic<bool> m_cancelled = false;
    ReaderOutput m_output; // written by the thread, read once it has ended
    std::unique_ptr<QThread> m_thread;
};

// Identifies one state of a file for one reader: a changed file, or another reader, is read anew.
QString stampOf(const QFileInfo &info, const QString &reader)
{
    return u"%1 %2 %3"_s.arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()).arg(reader);
}

struct Prefetched
{
    QString stamp;
    std::unique_ptr<ReaderRun> run;
};

// Readers started ahead of an open, by absolute path. What nobody came to collect is ended when
// the program quits.
std::unordered_map<QString, Prefetched> &prefetched()
{
    static auto *const runs = new std::unordered_map<QString, Prefetched>;
    return *runs;
}

} // namespace

JetBackend::JetBackend(const QString &path)
    : m_path(path)
{
    // A file opened again while it is still open (two record sources on one database) is read
    // only once, as long as it has not changed since.
    static QHash<QString, std::pair<QString, std::weak_ptr<const QList<JetTableData>>>> open;
    // Files are opened from the user-interface thread and, for a search, from a thread of its own.
    QMutexLocker lock(&g_readersLock);
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath();
    const QString reader = readerPath();
    const QString stamp = stampOf(info, reader);
    const auto found = open.constFind(key);
    if (found != open.cend() && found->first == stamp) {
        m_tables = found->second.lock();
        if (m_tables)
            return;
    }
    // A reader started ahead for this very state of the file has likely finished by now.
    std::unique_ptr<ReaderRun> run;
    if (auto ahead = prefetched().extract(key); !ahead.empty() && ahead.mapped().stamp == stamp)
        run = std::move(ahead.mapped().run);
    else
        run = std::make_unique<ReaderRun>(reader, path, info);
    lock.unlock();
    const QByteArray stream = run->finish();
    auto tables = parseJetStream(stream);
    if (!tables)
        throw Error::unrecognizedFormat(path);
    m_tables = std::make_shared<const QList<JetTableData>>(std::move(*tables));
    lock.relock();
    open.insert(key, {stamp, m_tables});
}

JetBackend::~JetBackend() = default;

QStringList JetBackend::tableNames()
{
    QStringList names;
    for (const JetTableData &table : *m_tables)
        names.append(table.name);
    return names;
}

std::unique_ptr<TableSource> JetBackend::openTable(const QString &name)
{
    for (qsizetype i = 0; i < m_tables->size(); ++i) {
        if (m_tables->at(i).name == name)
            return std::make_unique<JetTable>(m_path, m_tables, i);
    }
    throw Error::tableNotFound(m_path, name);
}

void JetBackend::prefetch(const QString &path)
{
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath();
    QMutexLocker lock(&g_readersLock);
    if (!QCoreApplication::instance() || prefetched().count(key) || !isJetFile(path))
        return;
    const QString reader = readerPath();
    try {
        prefetched().emplace(key, Prefetched{stampOf(info, reader), std::make_unique<ReaderRun>(reader, path, info)});
    } catch (const Error &) {
        // The open that follows reports it.
    }
    // Readers nobody came to collect end with the program, not after it.
    static const bool cleanup = [] {
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] {
            QMutexLocker lock(&g_readersLock);
            prefetched().clear();
        });
        return true;
    }();
    Q_UNUSED(cleanup);
}

bool JetBackend::hasJetHeader(QByteArrayView header)
{
    // The engine is named at offset 4, its version given at 0x14.
    if (header.size() < 0x15)
        return false;
    const QByteArrayView engine = header.sliced(4, 15);
    const auto version = quint8(header[0x14]);
    return (engine == QByteArrayView("Standard Jet DB") && version <= 1)
           || (engine == QByteArrayView("Standard ACE DB") && version >= 2 && version <= 6);
}

bool JetBackend::isJetFile(const QString &path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) && hasJetHeader(file.read(0x15));
}

QString JetBackend::readerPath()
{
    if (!g_readerPath.isEmpty())
        return g_readerPath;
    if (!QCoreApplication::instance())
        return {};
    return ProgramFolder::ofRunningProgram().dir() + u"/jetread"_s + platform::executableSuffix();
}

void JetBackend::setReaderPath(const QString &path)
{
    g_readerPath = path;
}

} // namespace common
