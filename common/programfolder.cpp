#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace common {

ProgramFolder::ProgramFolder(QString dir)
    : m_dir(std::move(dir))
{
    while (m_dir.size() > 1 && m_dir.endsWith(u'/'))
        m_dir.chop(1);
}

ProgramFolder ProgramFolder::ofRunningProgram()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    return ProgramFolder(canonical.isEmpty() ? dir : canonical);
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
