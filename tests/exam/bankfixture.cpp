#include "bankfixture.h"

#include <QFile>

#include <sqlite3.h>

namespace bankfixture {

namespace {

void check(sqlite3 *db, int rc, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        qFatal("fixture: %s: %s", what, sqlite3_errmsg(db));
}

sqlite3 *openFile(const QString &path, int flags)
{
    sqlite3 *db = nullptr;
    check(db, sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr), "open");
    sqlite3_busy_timeout(db, 20000);
    return db;
}

void exec(sqlite3 *db, const QString &sql)
{
    check(db, sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), "exec");
}

void bindText(sqlite3_stmt *stmt, int column, const QVariant &value)
{
    if (!value.isValid()) {
        sqlite3_bind_null(stmt, column);
        return;
    }
    const QByteArray utf8 = value.toString().toUtf8();
    sqlite3_bind_text(stmt, column, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void insertRows(sqlite3 *db, const QString &sql, const QList<QVariantList> &rows)
{
    sqlite3_stmt *stmt = nullptr;
    check(db, sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr), "prepare");
    for (const QVariantList &row : rows) {
        sqlite3_reset(stmt);
        for (int i = 0; i < row.size(); ++i)
            bindText(stmt, i + 1, row[i]);
        check(db, sqlite3_step(stmt), "insert");
    }
    sqlite3_finalize(stmt);
}

// The first column of every row a query returns, as another program sees the file right now.
QVariantList firstColumn(const QString &path, const char *sql)
{
    sqlite3 *db = openFile(path, SQLITE_OPEN_READONLY);
    sqlite3_stmt *stmt = nullptr;
    check(db, sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), "prepare");
    QVariantList values;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
        values.append(text ? QVariant(QString::fromUtf8(text)) : QVariant());
    }
    check(db, rc, "query");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return values;
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
    sqlite3 *db = openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(db, QStringLiteral("BEGIN"));
    if (damage != Damage::NoQuestionTable) {
        const QString answerField =
            damage == Damage::NoAnswerField ? QStringLiteral("答案") : QStringLiteral("用户答案");
        exec(db, QStringLiteral("CREATE TABLE \"第一套题\" (\"编号\" INTEGER, \"题目\" TEXT, \"%1\" TEXT, "
                                "\"标准答案\" TEXT)").arg(answerField));
        QList<QVariantList> rows;
        for (qsizetype i = 0; i < questions.size(); ++i)
            rows.append({i + 1, questions[i].text, questions[i].userAnswer, questions[i].standardAnswer});
        insertRows(db, QStringLiteral("INSERT INTO \"第一套题\" VALUES (?, ?, ?, ?)"), rows);
    }
    if (damage != Damage::NoSetTable) {
        exec(db, QStringLiteral("CREATE TABLE \"题库名\" (\"名称\" TEXT)"));
        QList<QVariantList> rows;
        for (const QString &name : sets)
            rows.append({name});
        insertRows(db, QStringLiteral("INSERT INTO \"题库名\" VALUES (?)"), rows);
    }
    exec(db, QStringLiteral("COMMIT"));
    sqlite3_close(db);
    if (damage == Damage::Corrupt) {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) || file.write("not a bank file!", 16) != 16)
            qFatal("fixture: cannot damage %s", qPrintable(path));
    }
}

QVariantList storedAnswers(const QString &path)
{
    return firstColumn(path, "SELECT \"用户答案\" FROM \"第一套题\" ORDER BY rowid");
}

void storeAnswer(const QString &path, int row, const QString &answer)
{
    sqlite3 *db = openFile(path, SQLITE_OPEN_READWRITE);
    insertRows(db, QStringLiteral("UPDATE \"第一套题\" SET \"用户答案\" = ? WHERE rowid = ?"),
               {{answer, row + 1}});
    sqlite3_close(db);
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
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

} // namespace bankfixture
