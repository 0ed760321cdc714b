#include "programbuilder.h"

#include "error.h"

#include "catalogue.h"
#include "codec936.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace datac {

namespace {

const QString kKnowledgeTitle = QStringLiteral("目录");
const QString kKnowledgeText = QStringLiteral("内容");

} // namespace

ProgramBuilder::ProgramBuilder(QString sourceDir, QString programDir)
    : m_source(QDir(sourceDir).absolutePath())
    , m_program(QDir(programDir).absolutePath())
{
}

bool ProgramBuilder::build()
{
    buildKnowledge();
    buildApi();
    buildTechniqueRecords();
    buildQuestionBank();
    buildArticles();
    if (!m_problems.isEmpty())
        return false;
    writeProgramFolder();
    return m_problems.isEmpty();
}

void ProgramBuilder::writeProgramFolder()
{
    if (!QDir().mkpath(m_program)) {
        m_problems.add(m_program, QStringLiteral("cannot be created"));
        return;
    }
    for (const Database &database : std::as_const(m_databases)) {
        try {
            common::replaceWithSqliteFile(m_program + u'/' + database.fileName, database.tables);
        } catch (const common::Error &error) {
            m_problems.add(database.fileName, error.text());
        }
    }
    writeFiles(m_program, m_articles, m_problems);
    removeStaleArticles();
}

// An article file that no source gives any more would still open from a title: remove it.
void ProgramBuilder::removeStaleArticles()
{
    for (const QString &catalogue : {QStringLiteral("article"), QStringLiteral("technique")}) {
        QDirIterator it(m_program + u'/' + catalogue, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = rel(m_program, path);
            if (m_articles.contains(relative))
                continue;
            if (QFile::remove(path))
                m_notes.append(QStringLiteral("removed %1: no source gives it").arg(relative));
            else
                m_problems.add(path, QStringLiteral("stale, and cannot be removed"));
        }
    }
}

QStringList ProgramBuilder::sourceFiles(const QString &folder, const QString &suffix)
{
    const QString dir = m_source + u'/' + folder;
    m_inputs.append(dir);
    QStringList files;
    const QStringList names = QDir(dir).entryList({u'*' + suffix}, QDir::Files, QDir::Name);
    for (const QString &name : names)
        files.append(dir + u'/' + name);
    return files;
}

QList<RecordFile> ProgramBuilder::readRecordFiles(const QString &folder)
{
    QList<RecordFile> files;
    for (const QString &path : sourceFiles(folder, QStringLiteral(".rec"))) {
        m_inputs.append(path);
        files.append(readRecordFile(path, m_problems));
    }
    if (files.isEmpty())
        m_problems.add(m_source + u'/' + folder, QStringLiteral("no .rec files"));
    return files;
}

void ProgramBuilder::checkFields(const RecordFile &file, const QStringList &allowed)
{
    for (const SourceRecord &record : file.records) {
        for (const QString &field : record.fields.keys()) {
            if (!allowed.contains(field))
                m_problems.add(file.path, record.line, QStringLiteral("unknown field \"%1\"").arg(field));
        }
    }
}

void ProgramBuilder::buildKnowledge()
{
    QList<TableData> tables;
    int entries = 0;
    for (const RecordFile &file : readRecordFiles(QStringLiteral("vb"))) {
        checkFields(file, {kKnowledgeTitle, kKnowledgeText});
        if (file.table.startsWith(u"MSys") || file.table.startsWith(u"USys"))
            m_problems.add(file.path, QStringLiteral("a knowledge table may not begin with MSys or USys"));
        for (const TableData &other : tables) {
            if (other.name == file.table)
                m_problems.add(file.path, QStringLiteral("table \"%1\" given twice").arg(file.table));
            else if (other.name.right(4) == file.table.right(4))
                m_problems.add(file.path, QStringLiteral("section title \"%1\" given twice").arg(file.table.right(4)));
        }
        TableData table{file.table, {kKnowledgeTitle, kKnowledgeText}, {}};
        for (const SourceRecord &record : file.records) {
            for (const QString &field : {kKnowledgeTitle, kKnowledgeText}) {
                if (record.value(field).value_or(QString()).trimmed().isEmpty())
                    m_problems.add(file.path, record.line, QStringLiteral("\"%1\" is empty").arg(field));
            }
            table.rows.append({record.value(kKnowledgeTitle), record.value(kKnowledgeText)});
        }
        entries += int(table.rows.size());
        tables.append(table);
    }
    const QString folder = m_source + QStringLiteral("/vb");
    if (tables.size() < kMinSections || tables.size() > kMaxSections)
        m_problems.add(folder, QStringLiteral("%1 knowledge tables; %2 to %3 expected")
                                   .arg(tables.size()).arg(kMinSections).arg(kMaxSections));
    if (entries < kMinEntries || entries > kMaxEntries)
        m_problems.add(folder, QStringLiteral("%1 knowledge entries; %2 to %3 expected")
                                   .arg(entries).arg(kMinEntries).arg(kMaxEntries));
    m_notes.append(QStringLiteral("vb.MDB: %1 tables, %2 entries").arg(tables.size()).arg(entries));
    m_databases.append({QStringLiteral("vb.MDB"), tables});
}

void ProgramBuilder::buildApi()
{
    const QString name = QStringLiteral("函数"), declaration = QStringLiteral("fullname"),
                  description = QStringLiteral("说明"), returnValue = QStringLiteral("返回值"),
                  notes = QStringLiteral("其它");
    TableData functions{QStringLiteral("winfun"), {name, description, returnValue, notes}, {}};
    TableData declarations{QStringLiteral("funclass"), {declaration}, {}};
    QStringList seen;
    for (const RecordFile &file : readRecordFiles(QStringLiteral("api"))) {
        if (file.table != u"winfun")
            m_problems.add(file.path, 1, QStringLiteral("expected \"%table winfun\""));
        checkFields(file, {name, declaration, description, returnValue, notes});
        for (const SourceRecord &record : file.records) {
            const QString function = record.value(name).value_or(QString()).trimmed();
            if (function.isEmpty())
                m_problems.add(file.path, record.line, QStringLiteral("the function has no name"));
            else if (seen.contains(function))
                m_problems.add(file.path, record.line, QStringLiteral("function \"%1\" given twice").arg(function));
            seen.append(function);
            if (record.value(declaration).value_or(QString()).trimmed().isEmpty())
                m_problems.add(file.path, record.line, QStringLiteral("\"%1\" has no declaration").arg(function));
            functions.rows.append({record.value(name), record.value(description), record.value(returnValue),
                                   record.value(notes)});
            declarations.rows.append({record.value(declaration)});
        }
    }
    if (functions.rows.size() < kMinFunctions)
        m_problems.add(m_source + QStringLiteral("/api"),
                       QStringLiteral("%1 functions; at least %2 expected").arg(functions.rows.size()).arg(kMinFunctions));
    m_notes.append(QStringLiteral("api.mdb: %1 functions").arg(functions.rows.size()));
    m_databases.append({QStringLiteral("api.mdb"), {functions, declarations}});
}

void ProgramBuilder::buildTechniqueRecords()
{
    const QString path = m_source + QStringLiteral("/shili/wen.txt");
    m_inputs.append(path);
    const QStringList records = readListFile(path, m_problems);
    if (records.size() != kTechniqueRecords)
        m_problems.add(path, QStringLiteral("%1 records; %2 expected").arg(records.size()).arg(kTechniqueRecords));
    // Record s + i of each folder's range lists that folder's title i.
    const QList<tamsel::Catalogue::Title> titles = tamsel::Catalogue::titles(tamsel::CatalogueKind::Technique);
    for (int folder = 1; folder <= 5; ++folder) {
        const tamsel::TechniqueRange range = tamsel::Catalogue::techniqueRange(folder);
        const QString folderPiece = u'\\' + QString::number(folder);
        int i = 0;
        for (const tamsel::Catalogue::Title &title : titles) {
            if (title.location.folderPiece != folderPiece || i >= range.length)
                continue;
            const int record = range.preceding + i;
            if (record < records.size() && records[record] != title.text)
                m_problems.add(path, record + 1,
                               QStringLiteral("\"%1\" should be the title \"%2\"").arg(records[record], title.text));
            ++i;
        }
    }
    TableData wen{QStringLiteral("wen"), {QStringLiteral("shiliname")}, {}};
    for (const QString &record : records)
        wen.rows.append({record});
    m_notes.append(QStringLiteral("shili.mdb: %1 records").arg(records.size()));
    m_databases.append({QStringLiteral("shili.mdb"), {wen}});
}

void ProgramBuilder::buildQuestionBank()
{
    const QString question = QStringLiteral("题目"), given = QStringLiteral("用户答案"),
                  standard = QStringLiteral("标准答案");
    const QString questionsPath = m_source + QStringLiteral("/shiti/questions.rec");
    const QString setsPath = m_source + QStringLiteral("/shiti/sets.txt");
    m_inputs << questionsPath << setsPath;

    const RecordFile file = readRecordFile(questionsPath, m_problems);
    if (file.table != u"第一套题")
        m_problems.add(questionsPath, 1, QStringLiteral("expected \"%table 第一套题\""));
    checkFields(file, {question, given, standard});
    TableData questions{QStringLiteral("第一套题"), {question, given, standard}, {}};
    for (const SourceRecord &record : file.records) {
        if (record.value(question).value_or(QString()).trimmed().isEmpty())
            m_problems.add(questionsPath, record.line, QStringLiteral("the question has no text"));
        const QString answer = record.value(standard).value_or(QString());
        if (answer.size() != 1 || !QStringLiteral("ABCD").contains(answer))
            m_problems.add(questionsPath, record.line, QStringLiteral("the standard answer must be one of A, B, C, D"));
        questions.rows.append({record.value(question), record.value(given), record.value(standard)});
    }
    if (questions.rows.size() < kMinQuestions)
        m_problems.add(questionsPath, QStringLiteral("%1 questions; at least %2 expected")
                                          .arg(questions.rows.size()).arg(kMinQuestions));

    const QStringList sets = readListFile(setsPath, m_problems);
    if (sets.value(0) != questions.name)
        m_problems.add(setsPath, 1, QStringLiteral("the first set must be \"%1\"").arg(questions.name));
    TableData setTable{QStringLiteral("题库名"), {QStringLiteral("名称")}, {}};
    for (const QString &set : sets)
        setTable.rows.append({set});

    m_notes.append(QStringLiteral("shiti.mdb: %1 questions, %2 sets").arg(questions.rows.size()).arg(sets.size()));
    if (!m_freshBank.isEmpty() && m_problems.isEmpty()) {
        try {
            common::replaceWithSqliteFile(m_freshBank, {questions, setTable});
        } catch (const common::Error &error) {
            m_problems.add(m_freshBank, error.text());
        }
    }
    // The question bank in the program folder holds the user's answers: never replace it.
    if (QFileInfo::exists(m_program + QStringLiteral("/shiti.mdb"))) {
        m_notes.append(QStringLiteral("shiti.mdb exists in the program folder and is kept as it is"));
        return;
    }
    m_databases.append({QStringLiteral("shiti.mdb"), {questions, setTable}});
}

void ProgramBuilder::buildArticles()
{
    int count = 0;
    qint64 bytes = 0;
    for (const QString &catalogue : {QStringLiteral("article"), QStringLiteral("technique")}) {
        const QString root = m_source + u'/' + catalogue;
        m_inputs.append(root);
        QDirIterator it(root, {QStringLiteral("*.txt")}, QDir::Files, QDirIterator::Subdirectories);
        QStringList paths;
        while (it.hasNext())
            paths.append(it.next());
        paths.sort();
        for (const QString &path : paths) {
            m_inputs.append(path);
            m_inputs.append(QFileInfo(path).absolutePath());
            QFile source(path);
            if (!source.open(QIODevice::ReadOnly)) {
                m_problems.add(path, QStringLiteral("cannot be read"));
                continue;
            }
            const QStringList lines = readSourceLines(path, source.readAll(), m_problems);
            QByteArray encoded;
            for (const QString &line : lines)
                encoded += common::encode936(line) + "\r\n";
            m_articles.insert(rel(m_source, path), encoded);
            ++count;
            bytes += encoded.size();
        }
    }
    // Every title of both catalogues opens a file that exists and holds text.
    for (auto kind : {tamsel::CatalogueKind::Example, tamsel::CatalogueKind::Technique}) {
        for (const tamsel::Catalogue::Title &title : tamsel::Catalogue::titles(kind)) {
            QString suffix = title.location.suffix();
            suffix.replace(u'\\', u'/');
            const QString path = m_source + suffix;
            const QFileInfo info(path);
            if (!info.isFile())
                m_problems.add(path, QStringLiteral("missing: the article of \"%1\"").arg(title.text));
            else if (info.size() == 0)
                m_problems.add(path, QStringLiteral("empty: the article of \"%1\"").arg(title.text));
        }
    }
    m_notes.append(QStringLiteral("articles: %1 files, %2 bytes").arg(count).arg(bytes));
}

} // namespace datac
