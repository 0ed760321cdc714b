#include "jetbackend.h"

#include "error.h"
#include "jetstream.h"
#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace common {

namespace {

QString g_readerPath;

constexpr qint64 kBaseDeadlineMs = 3000;
constexpr qint64 kMsPerMegabyte = 1000; // the reader manages well over 10 MB a second
constexpr qint64 kMaxDeadlineMs = 120000;
constexpr rlim_t kAddressSpace = rlim_t(1) << 30;
constexpr qsizetype kMaxOutput = qsizetype(1) << 30;

class JetTable : public TableSource
{
public:
    JetTable(QString path, std::shared_ptr<const QList<TableData>> tables, qsizetype index)
        : m_path(std::move(path))
        , m_tables(std::move(tables))
        , m_table(m_tables->at(index))
    {
    }

    const QString &name() const override { return m_table.name; }
    const QStringList &fieldNames() const override { return m_table.fields; }

    QList<qint64> keys() override
    {
        QList<qint64> keys(m_table.rows.size());
        std::iota(keys.begin(), keys.end(), qint64(0));
        return keys;
    }

    FieldValue read(qint64 key, int field) override
    {
        if (key < 0 || key >= m_table.rows.size())
            throw Error::noCurrentRecord(m_table.name);
        const TableRow &row = m_table.rows[key];
        return field >= 0 && field < row.size() ? row[field] : std::nullopt;
    }

    QList<FieldValue> readColumn(int field) override
    {
        QList<FieldValue> column;
        column.reserve(m_table.rows.size());
        for (const TableRow &row : m_table.rows)
            column.append(field >= 0 && field < row.size() ? row[field] : std::nullopt);
        return column;
    }

    void write(qint64, int, const FieldValue &) override
    {
        throw Error(CannotOpenFile, u"无法写入数据库“%1”：Access 数据库文件只能读取，不能修改。"_s.arg(m_path));
    }

private:
    QString m_path;
    std::shared_ptr<const QList<TableData>> m_tables;
    const TableData &m_table;
};

// Runs the reader on the file and returns everything it wrote, or throws 3343.
QByteArray runReader(const QString &reader, const QString &path)
{
    if (reader.isEmpty() || !QFileInfo(reader).isExecutable() || !QFileInfo(reader).isFile()) {
        throw Error(UnrecognizedFormat,
                    u"无法读取数据库“%1”：找不到读取 Access 数据库的程序“%2”。"_s.arg(path, reader));
    }
    const qint64 megabytes = QFileInfo(path).size() >> 20;
    const qint64 deadline = std::min(kBaseDeadlineMs + megabytes * kMsPerMegabyte, kMaxDeadlineMs);
    const rlim_t cpuSeconds = rlim_t(deadline / 1000 + 1);

    QProcess process;
    process.setProgram(reader);
    process.setArguments({QFileInfo(path).absoluteFilePath()});
    process.setProcessEnvironment(QProcessEnvironment()); // nothing inherited
    process.setWorkingDirectory(QDir::rootPath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([cpuSeconds] {
        const rlimit space{kAddressSpace, kAddressSpace};
        const rlimit cpu{cpuSeconds, cpuSeconds + 1};
        const rlimit core{0, 0};
        setrlimit(RLIMIT_AS, &space);
        setrlimit(RLIMIT_CPU, &cpu);
        setrlimit(RLIMIT_CORE, &core);
    });

    QElapsedTimer clock;
    clock.start();
    process.start(QIODevice::ReadOnly);
    QByteArray output;
    bool failed = !process.waitForStarted(int(deadline));
    while (!failed && process.state() != QProcess::NotRunning) {
        const qint64 left = deadline - clock.elapsed();
        if (left <= 0) {
            failed = true;
            break;
        }
        process.waitForReadyRead(int(std::min<qint64>(left, 100)));
        output += process.readAllStandardOutput();
        // Its messages mean nothing to the user; they are drained so they never pile up in memory.
        process.readAllStandardError();
        failed = output.size() > kMaxOutput;
    }
    if (failed) {
        process.kill();
        process.waitForFinished(1000);
        throw Error::unrecognizedFormat(path);
    }
    output += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw Error::unrecognizedFormat(path);
    return output;
}

} // namespace

JetBackend::JetBackend(const QString &path)
    : m_path(path)
{
    const QByteArray stream = runReader(readerPath(), path);
    auto tables = parseJetStream(stream);
    if (!tables)
        throw Error::unrecognizedFormat(path);
    m_tables = std::make_shared<const QList<TableData>>(std::move(*tables));
}

JetBackend::~JetBackend() = default;

QStringList JetBackend::tableNames()
{
    QStringList names;
    for (const TableData &table : *m_tables)
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
