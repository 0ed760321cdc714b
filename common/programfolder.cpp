#include "programfolder.h"

#include "error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace common {

ProgramFolder::ProgramFolder(QString dir)
    : m_dir(std::move(dir))
{
    while (m_dir.size() > 1 && m_dir.endsWith(u'/'))
        m_dir.chop(1);
}

namespace {

constexpr int kPathNotFound = 76;

Error folderUnknown(const QString &why)
{
    return Error(kPathNotFound, QStringLiteral("无法确定程序所在的文件夹（%1），找不到数据文件。").arg(why));
}

#ifdef Q_OS_LINUX
// The executable's path as the kernel reports it: symlinks resolved, and the bytes of every name
// as they are on disk, whatever their encoding.
QByteArray executablePath()
{
    QByteArray buffer(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), size_t(buffer.size()));
        if (length < 0)
            return {};
        if (length < buffer.size())
            return buffer.left(length);
        buffer.resize(buffer.size() * 2);
    }
}
#endif

} // namespace

ProgramFolder ProgramFolder::ofRunningProgram()
{
#ifdef Q_OS_LINUX
    const QByteArray exe = executablePath();
    const qsizetype slash = exe.lastIndexOf('/');
    if (!exe.startsWith('/') || slash < 0)
        throw folderUnknown(QStringLiteral("读不出 /proc/self/exe"));
    const QByteArray dir = slash == 0 ? QByteArray("/") : exe.left(slash);
    const QString name = QFile::decodeName(dir);
    if (QFile::encodeName(name) == dir)
        return ProgramFolder(name);
    // A name that is not UTF-8 (a GBK name unpacked from a Windows archive) has no QString that
    // leads back to it. The folder is made the working directory and every path is relative to it.
    if (::chdir(dir.constData()) != 0)
        throw folderUnknown(QStringLiteral("无法进入“%1”").arg(name));
    return ProgramFolder(QStringLiteral("."));
#else
    const QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        throw folderUnknown(QStringLiteral("系统没有给出程序的路径"));
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    return ProgramFolder(canonical.isEmpty() ? dir : canonical);
#endif
}

static QString join(const QString &parent, const QString &piece)
{
    return parent.endsWith(u'/') ? parent + piece : parent + u'/' + piece;
}

static QString resolvePiece(const QString &parent, const QString &piece)
{
    const QString exact = join(parent, piece);
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries =
        QDir(parent).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(piece, Qt::CaseInsensitive) == 0)
            return join(parent, entry);
    }
    return exact;
}

QString ProgramFolder::path(QStringView suffix) const
{
    QString current = m_dir;
    for (QStringView piece : suffix.split(u'\\', Qt::SkipEmptyParts))
        current = resolvePiece(current, piece.toString());
    return current;
}

} // namespace common
