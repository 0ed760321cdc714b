#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace datac {

// Every problem found in the sources, each naming its file and line, so that one run reports all.
class Problems
{
public:
    void add(const QString &file, int line, const QString &message);
    void add(const QString &file, const QString &message) { add(file, 0, message); }

    bool isEmpty() const { return m_lines.isEmpty(); }
    int count() const { return int(m_lines.size()); }
    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
};

// `path` relative to the folder `base`.
QString rel(const QString &base, const QString &path);

// Writes each file under `root` by its relative name, making its folders; a file that cannot be
// written is a problem.
void writeFiles(const QString &root, const QMap<QString, QByteArray> &files, Problems &problems);

} // namespace datac
