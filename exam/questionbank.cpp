#include "questionbank.h"

#include "database.h"
#include "error.h"
#include "programfolder.h"

namespace quorvi {

namespace {

void requireFields(const common::Recordset &table, const QStringList &fields)
{
    for (const QString &field : fields) {
        if (!table.hasField(field))
            throw common::Error::fieldNotFound(table.tableName(), field);
    }
}

} // namespace

QString QuestionBank::path(const common::ProgramFolder &folder)
{
    return folder.path(u"\\shiti.mdb");
}

QString QuestionBank::questionTable()
{
    return QStringLiteral("第一套题");
}

QString QuestionBank::setTable()
{
    return QStringLiteral("题库名");
}

QString QuestionBank::questionField()
{
    return QStringLiteral("题目");
}

QString QuestionBank::userAnswerField()
{
    return QStringLiteral("用户答案");
}

QString QuestionBank::standardAnswerField()
{
    return QStringLiteral("标准答案");
}

QString QuestionBank::setNameField()
{
    return QStringLiteral("名称");
}

void QuestionBank::checkQuestionTable(const common::Recordset &questions)
{
    requireFields(questions, {questionField(), userAnswerField(), standardAnswerField()});
}

void QuestionBank::checkSetTable(const common::Recordset &sets)
{
    requireFields(sets, {setNameField()});
}

QStringList QuestionBank::setNames(const common::Recordset &sets)
{
    QStringList names;
    for (const common::FieldValue &name : sets.column(setNameField()))
        names.append(name.value_or(QString()));
    return names;
}

QString QuestionBank::currentSetName(const common::Recordset &sets)
{
    return sets.text(setNameField());
}

} // namespace quorvi
