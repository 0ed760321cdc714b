#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "sqlitebackend.h"

// Question banks for the exam tests, written by the shared SQLite writer and read through SQLite
// directly, apart from the record layer under test.
namespace bankfixture {

struct Question
{
    QString text;
    QVariant userAnswer; // invalid: never answered (null in the file)
    QString standardAnswer;
};

// Missing: no file at all; Corrupt: a whole bank whose header is overwritten.
enum class Damage { None, Missing, Corrupt, NoQuestionTable, NoSetTable, NoAnswerField };

// "第N题 ..." with its four choices on CR LF lines; standard answers run A, B, C, D, A, ...
QString questionText(int number);
QList<Question> numbered(int count, const QVariantList &answers = {});
QStringList defaultSets();

void writeBank(const QString &path, const QList<Question> &questions,
               const QStringList &sets = defaultSets(), Damage damage = Damage::None);

// The same bank in log mode, its question texts committed only to the log beside the file (which
// holds placeholders), as a program leaves it that has not yet copied its log into the file.
void writeBankWithLog(const QString &path, const QList<Question> &questions);

// What another program sees in the file right now.
QVariantList storedAnswers(const QString &path);
QStringList storedQuestions(const QString &path);
void storeAnswer(const QString &path, int row, const QString &answer);
QString integrityCheck(const QString &path);
QByteArray fileBytes(const QString &path);

// Holds the file's write lock (as another program in the middle of a save) while it lives.
class WriteLock
{
public:
    explicit WriteLock(const QString &path);
    ~WriteLock();
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

private:
    common::SqliteConnection m_db;
};

} // namespace bankfixture

Q_DECLARE_METATYPE(bankfixture::Damage)
