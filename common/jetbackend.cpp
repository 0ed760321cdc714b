#include "jetbackend.h"

#include "error.h"
#include "jetstream.h"
#include "programfolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>

#include <sys/resource.h>

#include <algorithm>
#include <unordered_map>
#include <numeric>

using namespace Qt::StringLiterals;

namespace common {

namespace {

QString g_readerPath;

constexpr qint64 kBaseDeadlineMs = 3000;
constexpr qint64 kMsPerMegabyte = 1000; // the reader manages well over 10 MB a second
constexpr qint64 kMaxDeadlineMs = 120000;
constexpr rlim_t kAddressSpace = rlim_t(1) << 30;
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

    void write(qint64, int, const FieldValue &) override
    {
        throw Error(CannotOpenFile, u"无法写入数据库“%1”：Access 数据库文件只能读取，不能修改。"_s.arg(m_path));
    }

private:
    QString m_path;
    std::shared_ptr<const QList<JetTableData>> m_tables;
    const JetTableData &m_table;
};

// One run of the reader on one file, from its start to everything it wrote.
class ReaderRun
{
public:
    // Starts the reader on the file `info` describes; throws 3343 when there is no reader to start.
    ReaderRun(const QString &reader, const QString &path, const QFileInfo &info)
        : m_path(path)
        , m_fileSize(info.size())
    {
        const QFileInfo program(reader);
        if (reader.isEmpty() || !program.isExecutable() || !program.isFile()) {
            throw Error(UnrecognizedFormat,
                        u"无法读取数据库“%1”：找不到读取 Access 数据库的程序“%2”。"_s.arg(path, reader));
        }
        const qint64 megabytes = m_fileSize >> 20;
        m_deadline = std::min(kBaseDeadlineMs + megabytes * kMsPerMegabyte, kMaxDeadlineMs);
        const rlim_t cpuSeconds = rlim_t(m_deadline / 1000 + 1);

        m_process.setProgram(reader);
        // The paths go as they are, relative ones against the working folder the reader inherits: a
        // program folder whose name is not UTF-8 is known only as "." and cannot be spelled out.
        m_process.setArguments({path.startsWith(u'-') ? u"./"_s + path : path});
        m_process.setProcessEnvironment(QProcessEnvironment()); // nothing inherited
        m_process.setStandardInputFile(QProcess::nullDevice());
        m_process.setChildProcessModifier([cpuSeconds] {
            const rlimit space{kAddressSpace, kAddressSpace};
            const rlimit cpu{cpuSeconds, cpuSeconds + 1};
            const rlimit core{0, 0};
            setrlimit(RLIMIT_AS, &space);
            setrlimit(RLIMIT_CPU, &cpu);
            setrlimit(RLIMIT_CORE, &core);
        });
        m_clock.start();
        m_process.start(QIODevice::ReadOnly);
    }

    ~ReaderRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(1000);
        }
    }

    // Everything the reader wrote; throws 3343 when it failed, took too long or wrote too much.
    QByteArray finish()
    {
        QByteArray output;
        bool failed = !m_process.waitForStarted(int(std::max<qint64>(m_deadline - m_clock.elapsed(), 1)));
        while (!failed && m_process.state() != QProcess::NotRunning) {
            const qint64 left = m_deadline - m_clock.elapsed();
            if (left <= 0) {
                failed = true;
                break;
            }
            m_process.waitForReadyRead(int(std::min<qint64>(left, 100)));
            output += m_process.readAllStandardOutput();
            // Its messages mean nothing to the user; they are drained so they never pile up in memory.
            m_process.readAllStandardError();
            failed = output.size() > maxOutput(m_fileSize);
        }
        if (failed)
            throw Error::unrecognizedFormat(m_path);
        output += m_process.readAllStandardOutput();
        if (m_process.exitStatus() != QProcess::NormalExit || m_process.exitCode() != 0)
            throw Error::unrecognizedFormat(m_path);
        return output;
    }

private:
    QString m_path;
    qint64 m_fileSize;
    qint64 m_deadline = 0;
    QElapsedTimer m_clock;
    QProcess m_process;
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

// Readers started ahead of an open, by absolute path. Never destroyed: a reader still running
// when the program ends is not waited for.
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
    const QByteArray stream = run->finish();
    auto tables = parseJetStream(stream);
    if (!tables)
        throw Error::unrecognizedFormat(path);
    m_tables = std::make_shared<const QList<JetTableData>>(std::move(*tables));
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
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { prefetched().clear(); });
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
    return ProgramFolder::ofRunningProgram().dir() + u"/jetread"_s;
}

void JetBackend::setReaderPath(const QString &path)
{
    g_readerPath = path;
}

} // namespace common
