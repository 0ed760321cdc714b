#pragma once

#include "problems.h"
#include "recordfile.h"
#include "sqlitewriter.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace datac {

using common::TableData;

// Compiles the sources under data/ into a program folder and checks the content: every catalogue
// title has its article, the technique records match their titles, every function has its
// declaration, every question a standard answer, and the counts are those the programs expect.
class ProgramBuilder
{
public:
    ProgramBuilder(QString sourceDir, QString programDir);

    // Returns false when any problem was found; problems() then names each file and line, and
    // nothing in the program folder has been written. Otherwise writes the databases and the
    // articles and removes article files that no source gives any more.
    bool build();

    // Where to write the question bank as compiled, without anybody's answers, on every build
    // (the program folder's own bank is kept once it exists). This copy is what gets installed.
    void setFreshBankPath(QString path) { m_freshBank = std::move(path); }

    const Problems &problems() const { return m_problems; }
    // Every file and folder read, for the build's dependency tracking.
    const QStringList &inputs() const { return m_inputs; }
    QStringList notes() const { return m_notes; }

    // Limits of the content, checked on every build.
    static constexpr int kMinSections = 8, kMaxSections = 12;
    static constexpr int kMinEntries = 80, kMaxEntries = 200;
    static constexpr int kMinFunctions = 200;
    static constexpr int kMinQuestions = 60;
    static constexpr int kTechniqueRecords = 118;

private:
    QStringList sourceFiles(const QString &folder, const QString &suffix);
    QList<RecordFile> readRecordFiles(const QString &folder);
    void checkFields(const RecordFile &file, const QStringList &allowed);

    void buildKnowledge();
    void buildApi();
    void buildTechniqueRecords();
    void buildQuestionBank();
    void buildArticles();
    void writeProgramFolder();
    void removeStaleArticles();

    struct Database
    {
        QString fileName;
        QList<TableData> tables;
    };

    QString m_source;
    QString m_program;
    QString m_freshBank;
    Problems m_problems;
    QStringList m_inputs;
    QStringList m_notes;
    QList<Database> m_databases;
    QMap<QString, QByteArray> m_articles; // by path relative to the program folder
};

} // namespace datac
