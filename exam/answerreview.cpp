#include "answerreview.h"

#include "questioncursor.h"

namespace quorvi {

QList<ReviewRow> AnswerReview::collect(QuestionCursor &cursor)
{
    QList<ReviewRow> rows;
    if (cursor.isEmpty())
        return rows;
    cursor.moveFirst();
    for (int number = 1; number <= RowCount; ++number) {
        rows.append({QString::number(number), cursor.userAnswer().value_or(QString()),
                     cursor.standardAnswer().value_or(QString())});
        if (number == RowCount || !cursor.next())
            break;
    }
    cursor.moveLast();
    return rows;
}

} // namespace quorvi
