#include "importer.h"

#include "codec936.h"
#include "database.h"
#include "error.h"
#include "programfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace datac {

using namespace Qt::StringLiterals;

namespace {

using Fields = QList<std::pair<QString, common::FieldValue>>;

// Writes records in the format readRecordFile() parses, noting what would not come back the same.
class RecordWriter
{
public:
    RecordWriter(QString file, const QString &table, QStringList &warnings)
        : m_file(std::move(file))
        , m_warnings(warnings)
    {
        if (table.trimmed() != table || table.contains(u'\n') || table.contains(u'\r') || table.isEmpty())
            warn(0, QStringLiteral("the table name \"%1\" loses its spaces or line breaks").arg(table));
        m_text = u"%table "_s + table + u'\n';
    }

    void add(const Fields &fields)
    {
        ++m_records;
        if (m_records > 1)
            m_text += u"%%\n"_s;
        bool any = false;
        for (const auto &[name, value] : fields) {
            if (!value)
                continue; // absent: null
            any = true;
            addField(name, *value);
        }
        if (!any)
            warn(m_records, QStringLiteral("a record without any value is left out"));
    }

    QByteArray bytes() const { return m_text.toUtf8(); }

private:
    void warn(int record, const QString &what)
    {
        m_warnings.append(record > 0 ? QStringLiteral("%1: record %2: %3").arg(m_file).arg(record).arg(what)
                                     : QStringLiteral("%1: %2").arg(m_file, what));
    }

    void addField(const QString &name, const QString &value)
    {
        const QStringList lines = value.split(u"\r\n"_s);
        for (const QString &line : lines) {
            if (line.contains(u'\r') || line.contains(u'\n'))
                warn(m_records, QStringLiteral("\"%1\" has a line break other than CR LF").arg(name));
        }
        if (lines.size() == 1 && !value.trimmed().isEmpty()) {
            m_text += u'@' + name + u": "_s + value + u'\n';
            return;
        }
        // A multi-line value runs to the next field or record; its trailing blank lines do not count.
        if (!value.isEmpty() && lines.last().trimmed().isEmpty())
            warn(m_records, QStringLiteral("\"%1\" loses its trailing blank lines").arg(name));
        m_text += u'@' + name + u":\n"_s;
        if (value.isEmpty())
            return;
        for (const QString &line : lines) {
            const bool escaped = line.startsWith(u'@') || line.startsWith(u'%') || line.startsWith(u'\\');
            m_text += (escaped ? u"\\"_s : QString()) + line + u'\n';
        }
    }

    QString m_file;
    QStringList &m_warnings;
    QString m_text;
    int m_records = 0;
};

// A file name that sorts by position and is safe on every system.
QString recordFileName(int position, const QString &table)
{
    QString name;
    for (const QChar c : table)
        name += c.isLetterOrNumber() ? c : u'_';
    return QStringLiteral("%1-%2.rec").arg(position, 2, 10, QChar(u'0')).arg(name.left(40));
}

} // namespace

Importer::Importer(QString programDir, QString sourceDir)
    : m_program(QDir(programDir).absolutePath())
    , m_source(QDir(sourceDir).absolutePath())
{
}

bool Importer::import()
{
    if (QDir(m_source).exists() && !QDir(m_source).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        m_problems.add(m_source, QStringLiteral("is not empty; import into a new folder"));
        return false;
    }
    importKnowledge();
    importApi();
    importTechniqueRecords();
    importQuestionBank();
    importArticles();
    if (!m_problems.isEmpty())
        return false;
    writeSources();
    return m_problems.isEmpty();
}

namespace {

// Reads the fields of every row of a table; a field the table lacks reads as null and is noted.
QList<Fields> readTable(common::Database &db, const QString &table, const QStringList &fields,
                        QStringList &warnings)
{
    const auto recordset = db.openRecordset(table);
    QList<QList<common::FieldValue>> columns;
    for (const QString &field : fields) {
        if (!recordset->hasField(field)) {
            warnings.append(QStringLiteral("%1: table \"%2\" has no field \"%3\"").arg(db.path(), table, field));
            columns.append(QList<common::FieldValue>(recordset->recordCount()));
        } else {
            columns.append(recordset->column(field));
        }
    }
    QList<Fields> rows(recordset->recordCount());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        for (qsizetype f = 0; f < fields.size(); ++f)
            rows[r].append({fields[f], columns[f].value(r)});
    }
    return rows;
}

std::unique_ptr<common::Database> openDatabase(const QString &program, QStringView suffix, Problems &problems)
{
    const QString path = common::ProgramFolder(program).path(suffix);
    try {
        return common::Database::open(path, common::Database::Access::ReadOnly);
    } catch (const common::Error &error) {
        problems.add(path, error.text());
        return nullptr;
    }
}

} // namespace

void Importer::importKnowledge()
{
    const auto db = openDatabase(m_program, u"\\vb.MDB", m_problems);
    if (!db)
        return;
    try {
        int position = 0;
        int entries = 0;
        for (const QString &table : db->tableNames()) {
            const QString file = u"vb/"_s + recordFileName(++position, table);
            RecordWriter writer(file, table, m_warnings);
            const QList<Fields> rows = readTable(*db, table, {QStringLiteral("目录"), QStringLiteral("内容")}, m_warnings);
            for (const Fields &row : rows)
                writer.add(row);
            entries += int(rows.size());
            m_files.insert(file, writer.bytes());
        }
        m_notes.append(QStringLiteral("vb.MDB: %1 tables, %2 entries").arg(position).arg(entries));
    } catch (const common::Error &error) {
        m_problems.add(db->path(), error.text());
    }
}

void Importer::importApi()
{
    const auto db = openDatabase(m_program, u"\\api.mdb", m_problems);
    if (!db)
        return;
    try {
        const QString name = QStringLiteral("函数"), declaration = QStringLiteral("fullname");
        const QList<Fields> functions = readTable(
            *db, QStringLiteral("winfun"),
            {name, QStringLiteral("说明"), QStringLiteral("返回值"), QStringLiteral("其它")}, m_warnings);
        const QList<Fields> declarations = readTable(*db, QStringLiteral("funclass"), {declaration}, m_warnings);
        if (declarations.size() > functions.size())
            m_warnings.append(QStringLiteral("%1: \"funclass\" has %2 rows beyond the last function; they are left out")
                                  .arg(db->path()).arg(declarations.size() - functions.size()));
        const QString file = QStringLiteral("api/01-winfun.rec");
        RecordWriter writer(file, QStringLiteral("winfun"), m_warnings);
        for (qsizetype k = 0; k < functions.size(); ++k) {
            // The declaration of row k is row k of "funclass": the two tables pair by position.
            Fields row = functions[k];
            row.insert(1, {declaration, k < declarations.size() ? declarations[k][0].second : std::nullopt});
            writer.add(row);
        }
        m_files.insert(file, writer.bytes());
        m_notes.append(QStringLiteral("api.mdb: %1 functions").arg(functions.size()));
    } catch (const common::Error &error) {
        m_problems.add(db->path(), error.text());
    }
}

namespace {

// One entry a line: an entry that is null, blank or has spaces around it does not come back the same.
QByteArray listFile(const QString &file, const QList<Fields> &rows, QStringList &warnings)
{
    QString text;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const common::FieldValue &value = rows[r][0].second;
        if (!value || value->trimmed().isEmpty() || value->trimmed() != *value || value->contains(u'\n')
            || value->contains(u'\r'))
            warnings.append(QStringLiteral("%1: entry %2 is empty, has spaces around it or spans lines").arg(file).arg(r + 1));
        if (value && !value->trimmed().isEmpty())
            text += QString(*value).replace(u'\r', u' ').replace(u'\n', u' ') + u'\n';
    }
    return text.toUtf8();
}

} // namespace

void Importer::importTechniqueRecords()
{
    const auto db = openDatabase(m_program, u"\\shili.mdb", m_problems);
    if (!db)
        return;
    try {
        const QList<Fields> rows = readTable(*db, QStringLiteral("wen"), {QStringLiteral("shiliname")}, m_warnings);
        m_files.insert(QStringLiteral("shili/wen.txt"), listFile(QStringLiteral("shili/wen.txt"), rows, m_warnings));
        m_notes.append(QStringLiteral("shili.mdb: %1 records").arg(rows.size()));
    } catch (const common::Error &error) {
        m_problems.add(db->path(), error.text());
    }
}

void Importer::importQuestionBank()
{
    const auto db = openDatabase(m_program, u"\\shiti.mdb", m_problems);
    if (!db)
        return;
    try {
        const QString table = QStringLiteral("第一套题");
        const QList<Fields> questions = readTable(
            *db, table, {QStringLiteral("题目"), QStringLiteral("用户答案"), QStringLiteral("标准答案")}, m_warnings);
        const QString file = QStringLiteral("shiti/questions.rec");
        RecordWriter writer(file, table, m_warnings);
        for (const Fields &row : questions)
            writer.add(row);
        m_files.insert(file, writer.bytes());
        const QList<Fields> sets = readTable(*db, QStringLiteral("题库名"), {QStringLiteral("名称")}, m_warnings);
        m_files.insert(QStringLiteral("shiti/sets.txt"), listFile(QStringLiteral("shiti/sets.txt"), sets, m_warnings));
        m_notes.append(QStringLiteral("shiti.mdb: %1 questions, %2 sets").arg(questions.size()).arg(sets.size()));
    } catch (const common::Error &error) {
        m_problems.add(db->path(), error.text());
    }
}

void Importer::importArticles()
{
    int count = 0;
    for (const QString &catalogue : {QStringLiteral("article"), QStringLiteral("technique")}) {
        const QString root = common::ProgramFolder(m_program).path(u'\\' + catalogue);
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        QStringList paths;
        while (it.hasNext())
            paths.append(it.next());
        paths.sort();
        for (const QString &path : paths) {
            if (!path.endsWith(u".txt", Qt::CaseInsensitive) || !QFileInfo(path).isFile())
                continue;
            const QString relative = catalogue + u'/' + rel(root, path);
            QFile in(path);
            if (!in.open(QIODevice::ReadOnly)) {
                m_problems.add(path, QStringLiteral("cannot be read: %1").arg(in.errorString()));
                continue;
            }
            bool invalid = false;
            QString text = common::decode936(in.readAll(), &invalid);
            if (invalid)
                m_warnings.append(QStringLiteral("%1: bytes that are not code page 936 text").arg(relative));
            QStringList lines = text.split(u"\r\n"_s);
            if (lines.last().isEmpty())
                lines.removeLast();
            else
                m_warnings.append(QStringLiteral("%1: the last line has no CR LF").arg(relative));
            if (text.count(u'\n') != text.count(u"\r\n"_s) || text.count(u'\r') != text.count(u"\r\n"_s))
                m_warnings.append(QStringLiteral("%1: a line break other than CR LF").arg(relative));
            QString utf8;
            for (const QString &line : std::as_const(lines))
                utf8 += line + u'\n';
            m_files.insert(relative, utf8.toUtf8());
            ++count;
        }
    }
    m_notes.append(QStringLiteral("articles: %1 files").arg(count));
}

void Importer::writeSources()
{
    writeFiles(m_source, m_files, m_problems);
}

} // namespace datac
