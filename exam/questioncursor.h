#pragma once

#include "backend.h"

namespace common {
class Recordset;
}

namespace quorvi {

// The current question of the question table and the moves between questions. Field values are
// read from the file each time, so they show what was stored last, by this program or another.
class QuestionCursor
{
public:
    explicit QuestionCursor(common::Recordset &questions);

    int count() const;
    bool isEmpty() const { return count() == 0; }
    // Zero-based position of the current question, -1 without one.
    int position() const;

    // Both throw Error 3021 on an empty table.
    void moveFirst();
    void moveLast();

    // A step beyond either end fails: the first or the last question is made current instead
    // and false is returned. On an empty table that move fails too, with Error 3021.
    bool next();
    bool previous();

    QString questionText() const;
    common::FieldValue userAnswer() const;
    common::FieldValue standardAnswer() const;

private:
    common::Recordset &m_questions;
};

} // namespace quorvi
