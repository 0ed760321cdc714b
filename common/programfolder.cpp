#include "programfolder.h"

#include "error.h"
#include "platform.h"

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
    // A root folder keeps its separator: "C:" alone would name the drive's working folder.
    while (m_dir.size() > 1 && m_dir.endsWith(u'/') && !(m_dir.size() == 3 && m_dir.at(1) == u':'))
        m_dir.chop(1);
}

namespace {

constexpr int kPathNotFound = 76;

Error folderUnknown(const QString &why)
{
    return Error(kPathNotFound, QStringLiteral("无法确定程序所在的文件夹（%1），找不到数据文件。").arg(why));
}


} // namespace

ProgramFolder ProgramFolder::ofRunningProgram()
{
    // The executable's path as the system reports it: links resolved, and on Linux the bytes of
    // every name as they are on disk, whatever their encoding.
    const QByteArray exe = platform::executablePath();
    const qsizetype slash = exe.lastIndexOf('/');
    if (exe.isEmpty() || slash < 0)
        throw folderUnknown(QStringLiteral("系统没有给出程序的路径"));
    // A root folder keeps its separator: "/" and "C:/".
    const bool root = slash == 0 || (slash == 2 && exe.at(1) == ':');
    const QByteArray dir = exe.left(root ? slash + 1 : slash);
    const QString name = platform::fromNativeName(dir);
    if (platform::nativeName(name) == dir)
        return ProgramFolder(name);
#ifdef Q_OS_LINUX
    // A name that is not UTF-8 (a GBK name unpacked from a Windows archive) has no QString that
    // leads back to it. The folder is made the working directory and every path is relative to it.
    if (::chdir(dir.constData()) != 0)
        throw folderUnknown(QStringLiteral("无法进入“%1”").arg(name));
#endif
    return ProgramFolder(QStringLiteral("."));
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
