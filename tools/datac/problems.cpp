#include "problems.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace datac {

void Problems::add(const QString &file, int line, const QString &message)
{
    m_lines.append(line > 0 ? QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message)
                            : QStringLiteral("%1: %2").arg(file, message));
}

QString rel(const QString &base, const QString &path)
{
    return QDir(base).relativeFilePath(path);
}

void writeFiles(const QString &root, const QMap<QString, QByteArray> &files, Problems &problems)
{
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        const QString target = root + u'/' + it.key();
        QDir().mkpath(QFileInfo(target).absolutePath());
        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly) || out.write(it.value()) != it.value().size() || !out.commit())
            problems.add(target, QStringLiteral("cannot be written"));
    }
}

} // namespace datac
