#pragma once

#include <QString>
#include <QStringView>

namespace common {

// The folder that holds the programs and their data files. Data paths are written as the fixed
// Windows-style suffixes the programs have always used ("\vb.MDB", "\article\4\data9.txt").
class ProgramFolder
{
public:
    explicit ProgramFolder(QString dir);

    // The folder of the running executable, symlinks resolved. A folder whose name has no text
    // form (bytes that are not UTF-8) becomes the working directory and is given as ".".
    // Throws Error 76 when the folder cannot be found.
    static ProgramFolder ofRunningProgram();

    const QString &dir() const { return m_dir; }

    // The local path for a suffix made of backslash-separated pieces. Each piece that does not
    // exist under its exact name is looked up case-insensitively (files copied from Windows media
    // change case); an exact match always wins, and a piece found neither way is kept as written.
    QString path(QStringView suffix) const;

private:
    QString m_dir;
};

} // namespace common
