#include "bankcopy.h"

#include "database.h"
#include "platform.h"
#include "questionbank.h"
#include "sqlitewriter.h"

#include <QCryptographicHash>
#include <QFile>


namespace quorvi {

using namespace Qt::StringLiterals;

namespace {

// The fields of the source table, all text.
QStringList sourceFields()
{
    return {u"path"_s, u"size"_s, u"modified"_s, u"digest"_s};
}

// Each value with its length, so that no two lists of values hash alike by running together.
void addValue(QCryptographicHash &hash, const common::FieldValue &value)
{
    if (!value) {
        hash.addData(QByteArrayView("\0", 1));
        return;
    }
    const QByteArray utf8 = value->toUtf8();
    char prefix[9] = {1};
    for (int i = 0; i < 8; ++i)
        prefix[8 - i] = char(quint64(utf8.size()) >> (8 * i));
    hash.addData(QByteArrayView(prefix, sizeof prefix));
    hash.addData(utf8);
}

// A question text as a hash key; NULL is not the empty text.
QString textKey(const common::FieldValue &text)
{
    return text ? u'+' + *text : u"-"_s;
}

bool answered(const common::FieldValue &answer)
{
    return answer && !answer->isEmpty();
}

std::unique_ptr<common::Recordset> questionsOf(common::Database &bank)
{
    auto questions = bank.openRecordset(QuestionBank::questionTable());
    QuestionBank::checkQuestionTable(*questions);
    return questions;
}

} // namespace

QString BankCopy::sourceTable()
{
    return u"quorvi_source"_s;
}

BankStamp BankCopy::fileStamp(const QString &path)
{
    qint64 size = 0;
    qint64 modified = 0;
    if (!common::platform::fileStamp(path, &size, &modified))
        return {};
    return {size, modified, {}};
}

QString BankCopy::questionDigest(const QString &bank)
{
    const auto database = common::Database::open(bank, common::Database::Access::ReadOnly);
    const QList<QList<common::FieldValue>> columns =
        questionsOf(*database)->columns({QuestionBank::questionField(), QuestionBank::standardAnswerField()});
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (qsizetype row = 0; row < columns[0].size(); ++row) {
        addValue(hash, columns[0][row]);
        addValue(hash, columns[1][row]);
    }
    return QString::fromLatin1(hash.result().toHex());
}

std::optional<BankStamp> BankCopy::recorded(const QString &copy)
{
    // Opened for writing, so that a save cut off in an earlier run is rolled back first.
    const auto bank = common::Database::open(copy, common::Database::Access::ReadWrite);
    if (!bank->tableNames().contains(sourceTable()))
        return std::nullopt;
    const auto source = bank->openRecordset(sourceTable());
    for (const QString &field : sourceFields()) {
        if (!source->hasField(field))
            return std::nullopt;
    }
    if (!source->hasCurrent())
        return std::nullopt;
    bool sizeRead = false;
    bool modifiedRead = false;
    BankStamp stamp{source->text(u"size"_s).toLongLong(&sizeRead),
                    source->text(u"modified"_s).toLongLong(&modifiedRead), source->text(u"digest"_s)};
    if (!sizeRead || !modifiedRead)
        return std::nullopt;
    return stamp;
}

void BankCopy::restamp(const QString &copy, const BankStamp &stamp)
{
    const auto bank = common::Database::open(copy, common::Database::Access::ReadWrite);
    const auto source = bank->openRecordset(sourceTable());
    source->setField(u"size"_s, QString::number(stamp.size));
    source->setField(u"modified"_s, QString::number(stamp.modified));
}

CarriedAnswers BankCopy::carry(const QString &oldCopy, const QString &freshCopy)
{
    QHash<QString, QList<common::FieldValue>> answersByText; // in stored order
    int answers = 0;
    {
        const auto bank = common::Database::open(oldCopy, common::Database::Access::ReadWrite);
        const QList<QList<common::FieldValue>> old =
            questionsOf(*bank)->columns({QuestionBank::questionField(), QuestionBank::userAnswerField()});
        for (qsizetype row = 0; row < old[0].size(); ++row) {
            answersByText[textKey(old[0][row])].append(old[1][row]);
            answers += answered(old[1][row]) ? 1 : 0;
        }
    }
    const auto bank = common::Database::open(freshCopy, common::Database::Access::ReadOnly);
    const QList<common::FieldValue> texts = questionsOf(*bank)->column(QuestionBank::questionField());
    CarriedAnswers carried;
    QHash<QString, int> paired; // how many of each text have found their partner so far
    for (int row = 0; row < int(texts.size()); ++row) {
        const QString key = textKey(texts[row]);
        const common::FieldValue answer = answersByText.value(key).value(paired[key]++);
        if (!answer)
            continue;
        carried.byPosition.insert(row, answer);
        carried.kept += answered(answer) ? 1 : 0;
    }
    carried.left = answers - carried.kept;
    return carried;
}

void BankCopy::complete(const QString &freshCopy, const CarriedAnswers &answers, const QString &source,
                        const BankStamp &stamp)
{
    const common::TableData record{
        sourceTable(),
        sourceFields(),
        {{source, QString::number(stamp.size), QString::number(stamp.modified), stamp.digest}}};
    common::updateSqliteFile(freshCopy, QuestionBank::questionTable(), QuestionBank::userAnswerField(),
                             answers.byPosition, record);
}

} // namespace quorvi
