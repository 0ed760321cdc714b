#include "questioncursor.h"

#include "database.h"
#include "questionbank.h"

namespace quorvi {

QuestionCursor::QuestionCursor(common::Recordset &questions)
    : m_questions(questions)
{
}

int QuestionCursor::count() const
{
    return m_questions.recordCount();
}

int QuestionCursor::position() const
{
    return m_questions.absolutePosition();
}

void QuestionCursor::moveFirst()
{
    m_questions.moveFirst();
}

void QuestionCursor::moveLast()
{
    m_questions.moveLast();
}

bool QuestionCursor::next()
{
    // The record layer would step from the last row onto EOF without complaint; here that step
    // is the failure the step buttons expect.
    if (m_questions.hasCurrent() && position() + 1 < count()) {
        m_questions.moveNext();
        return true;
    }
    m_questions.moveLast();
    return false;
}

bool QuestionCursor::previous()
{
    if (m_questions.hasCurrent() && position() > 0) {
        m_questions.movePrevious();
        return true;
    }
    m_questions.moveFirst();
    return false;
}

QString QuestionCursor::questionText() const
{
    return m_questions.text(QuestionBank::questionField());
}

common::FieldValue QuestionCursor::userAnswer() const
{
    return m_questions.field(QuestionBank::userAnswerField());
}

common::FieldValue QuestionCursor::standardAnswer() const
{
    return m_questions.field(QuestionBank::standardAnswerField());
}

} // namespace quorvi
