#pragma once

#include "problems.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace datac {

// Takes a program folder's content back to the sources under data/: the four databases (read
// through the record layer, whatever their format) become record and list files, the articles
// (code page 936, CR LF) become UTF-8 text with LF line ends. Compiling the result gives the same
// databases and articles again.
class Importer
{
public:
    Importer(QString programDir, QString sourceDir);

    // Returns false when a file could not be read or the source folder is not empty; nothing is
    // written then. Values the source format cannot carry unchanged are written as near as it
    // allows and listed in warnings().
    bool import();

    const Problems &problems() const { return m_problems; }
    const QStringList &warnings() const { return m_warnings; }
    QStringList notes() const { return m_notes; }

private:
    void importKnowledge();
    void importApi();
    void importTechniqueRecords();
    void importQuestionBank();
    void importArticles();
    void writeSources();

    QString m_program;
    QString m_source;
    Problems m_problems;
    QStringList m_warnings;
    QStringList m_notes;
    QMap<QString, QByteArray> m_files; // by path relative to the source folder
};

} // namespace datac
