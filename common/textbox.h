#pragma once

#include <QString>

class QPlainTextEdit;

namespace common {

// Texts keep CR LF line ends as the programs compose and load them; a box shows each line end as
// a line break and never a visible CR.
void setBoxText(QPlainTextEdit *box, const QString &text);
QString displayText(QString text);

// A multi-line box that behaves as a text box does: Tab moves the focus on instead of typing a
// tab, and Ctrl+wheel, Ctrl+= (Ctrl++), Ctrl+- and Ctrl+0 enlarge, shrink and restore its text
// for as long as the program runs.
void makeTextBox(QPlainTextEdit *box);

} // namespace common
