#include "answerstore.h"

#include "database.h"
#include "questionbank.h"

namespace quorvi {

QString AnswerStore::letter(int index)
{
    Q_ASSERT(index >= 0 && index < ButtonCount);
    return QString(QChar(char16_t(u'A' + index)));
}

int AnswerStore::buttonOf(const common::FieldValue &answer)
{
    if (!answer)
        return -1;
    for (int index = 0; index < ButtonCount; ++index) {
        if (*answer == letter(index))
            return index;
    }
    return -1;
}

AnswerStore::AnswerStore(common::Recordset &questions)
    : m_questions(questions)
{
}

void AnswerStore::store(int index)
{
    // One field in one statement: the engine saves it whole or not at all.
    m_questions.setField(QuestionBank::userAnswerField(), letter(index));
}

int AnswerStore::storedButton() const
{
    return buttonOf(m_questions.field(QuestionBank::userAnswerField()));
}

} // namespace quorvi
