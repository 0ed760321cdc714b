#pragma once

#include "backend.h"

namespace common {
class Recordset;
}

namespace quorvi {

// Stores the letter of an answer button in the current question's record.
class AnswerStore
{
public:
    static constexpr int ButtonCount = 4;

    // "A" to "D" for the buttons 0 to 3.
    static QString letter(int index);
    // The button whose letter a stored answer is, -1 for no answer or anything that is not
    // exactly one of the four letters.
    static int buttonOf(const common::FieldValue &answer);

    explicit AnswerStore(common::Recordset &questions);

    // Writes the button's letter into the current question's answer field. On return the answer
    // is in the file; on failure (Error 3051, 3045, 3021, or another write failure of the record
    // layer, such as 3026 for a full disk) the file is left as it was.
    void store(int index);
    int storedButton() const;

private:
    common::Recordset &m_questions;
};

} // namespace quorvi
