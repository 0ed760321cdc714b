#pragma once

#include <QString>

class QPlainTextEdit;

namespace common {

// Texts keep CR LF line ends as the programs compose and load them; a box shows each line end as
// a line break and never a visible CR.
void setBoxText(QPlainTextEdit *box, const QString &text);
QString displayText(QString text);

} // namespace common
