#include "bankfixture.h"

#include "sqlitebackend.h"
#include "sqlitewriter.h"

#include <QFile>

#include <sqlite3.h>

namespace bankfixture {

namespace {

void check(sqlite3 *db, int rc, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        qFatal("fixture: %s: %s", what, sqlite3_errmsg(db));
}

common::SqliteConnection openFile(const QString &path, int flags)
{
    common::SqliteConnection db(QFile::encodeName(path), flags);
    if (!db.isOpen())
        qFatal("fixture: cannot open %s", qPrintable(path));
    sqlite3_busy_timeout(db.get(), 20000);
    return db;
}

void exec(const common::SqliteConnection &db, const QString &sql)
{
    check(db.get(), db.exec(sql.toUtf8()), "exec");
}

// The first column of every row a query returns, as another program sees the file right now.
QVariantList firstColumn(const QString &path, const char *sql)
{
    const common::SqliteConnection db = openFile(path, SQLITE_OPEN_READONLY);
    const common::SqliteStatement stmt(db.get(), sql);
    check(db.get(), stmt.prepareResult(), "prepare");
    QVariantList values;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 0));
        values.append(text ? QVariant(QString::fromUtf8(text)) : QVariant());
    }
    check(db.get(), rc, "query");
    return values;
}

common::FieldValue fieldValue(const QVariant &value)
{
    return value.isValid() ? common::FieldValue(value.toString()) : std::nullopt;
}

} // namespace

QString questionText(int number)
{
    return QStringLiteral("第%1题 下面哪一项是正确的？\r\nA. 甲\r\nB. 乙\r\nC. 丙\r\nD. 丁").arg(number);
}

QList<Question> numbered(int count, const QVariantList &answers)
{
    QList<Question> questions;
    for (int i = 0; i < count; ++i) {
        questions.append({questionText(i + 1), i < answers.size() ? answers[i] : QVariant(),
                          QString(QChar(char16_t(u'A' + i % 4)))});
    }
    return questions;
}

QStringList defaultSets()
{
    return {QStringLiteral("第一套题"), QStringLiteral("第二套题"), QStringLiteral("第三套题")};
}

void writeBank(const QString &path, const QList<Question> &questions, const QStringList &sets,
               Damage damage)
{
    QFile::remove(path);
    if (damage == Damage::Missing)
        return;
    QList<common::TableData> tables;
    if (damage != Damage::NoQuestionTable) {
        const QString answerField =
            damage == Damage::NoAnswerField ? QStringLiteral("答案") : QStringLiteral("用户答案");
        common::TableData &table = tables.emplaceBack(common::TableData{
            QStringLiteral("第一套题"),
            {QStringLiteral("编号"), QStringLiteral("题目"), answerField, QStringLiteral("标准答案")},
            {}});
        for (qsizetype i = 0; i < questions.size(); ++i) {
            table.rows.append({QString::number(i + 1), questions[i].text, fieldValue(questions[i].userAnswer),
                               questions[i].standardAnswer});
        }
    }
    if (damage != Damage::NoSetTable) {
        common::TableData &table = tables.emplaceBack(common::TableData{QStringLiteral("题库名"), {QStringLiteral("名称")}, {}});
        for (const QString &name : sets)
            table.rows.append({name});
    }
    common::createSqliteFile(path, tables);
    if (damage == Damage::Corrupt) {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) || file.write("not a bank file!", 16) != 16)
            qFatal("fixture: cannot damage %s", qPrintable(path));
    }
}

void writeBankWithLog(const QString &path, const QList<Question> &questions)
{
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    QList<Question> placeholders = questions;
    for (Question &question : placeholders)
        question.text = QStringLiteral("?");
    writeBank(path, placeholders);
    const common::SqliteConnection db = openFile(path, SQLITE_OPEN_READWRITE);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    exec(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    const common::SqliteStatement stmt(
        db.get(), QByteArrayLiteral("UPDATE \"第一套题\" SET \"题目\" = ? WHERE rowid = ?"));
    check(db.get(), stmt.prepareResult(), "prepare");
    for (qsizetype i = 0; i < questions.size(); ++i) {
        sqlite3_reset(stmt.get());
        common::bindText(stmt.get(), 1, questions[i].text);
        sqlite3_bind_int64(stmt.get(), 2, i + 1);
        check(db.get(), sqlite3_step(stmt.get()), "update");
    }
}

QVariantList storedAnswers(const QString &path)
{
    return firstColumn(path, "SELECT \"用户答案\" FROM \"第一套题\" ORDER BY rowid");
}

QStringList storedQuestions(const QString &path)
{
    QStringList texts;
    for (const QVariant &text : firstColumn(path, "SELECT \"题目\" FROM \"第一套题\" ORDER BY rowid"))
        texts.append(text.toString());
    return texts;
}

void storeAnswer(const QString &path, int row, const QString &answer)
{
    const common::SqliteConnection db = openFile(path, SQLITE_OPEN_READWRITE);
    const common::SqliteStatement stmt(
        db.get(), QByteArrayLiteral("UPDATE \"第一套题\" SET \"用户答案\" = ? WHERE rowid = ?"));
    check(db.get(), stmt.prepareResult(), "prepare");
    const QByteArray utf8 = answer.toUtf8();
    sqlite3_bind_text(stmt.get(), 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(stmt.get(), 2, row + 1);
    check(db.get(), sqlite3_step(stmt.get()), "update");
}

QString integrityCheck(const QString &path)
{
    return firstColumn(path, "PRAGMA integrity_check").value(0).toString();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

WriteLock::WriteLock(const QString &path)
    : m_db(openFile(path, SQLITE_OPEN_READWRITE))
{
    exec(m_db, QStringLiteral("BEGIN IMMEDIATE"));
}

WriteLock::~WriteLock()
{
    m_db.exec("ROLLBACK");
}

} // namespace bankfixture
