#pragma once

#include <QString>
#include <QStringList>

namespace common {
class ProgramFolder;
class Recordset;
}

namespace quorvi {

// The question bank file and the fixed names of its two tables and their fields.
class QuestionBank
{
public:
    static QString path(const common::ProgramFolder &folder);

    static QString questionTable();
    static QString setTable();
    static QString questionField();
    static QString userAnswerField();
    static QString standardAnswerField();
    static QString setNameField();

    // Throw Error 3265 naming the first field the table lacks, so that a damaged bank is
    // reported when it is opened rather than at the first click that needs the field.
    static void checkQuestionTable(const common::Recordset &questions);
    static void checkSetTable(const common::Recordset &sets);

    // The names of every question set in stored order, and the name of the current one.
    static QStringList setNames(const common::Recordset &sets);
    static QString currentSetName(const common::Recordset &sets);
};

} // namespace quorvi
