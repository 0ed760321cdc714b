#pragma once

#include <QList>
#include <QString>

namespace quorvi {

class QuestionCursor;

// One row of the review list: running number, the answer given, the standard answer.
struct ReviewRow
{
    QString number;
    QString userAnswer;
    QString standardAnswer;

    friend bool operator==(const ReviewRow &, const ReviewRow &) = default;
};

class AnswerReview
{
public:
    static constexpr int RowCount = 2;

    // Rows for the first two questions that exist (fewer when the table holds fewer), read from
    // the file as they are now; an answer never given is empty text. Afterwards the last question
    // is current. An empty table gives no rows and no move.
    static QList<ReviewRow> collect(QuestionCursor &cursor);
};

} // namespace quorvi
