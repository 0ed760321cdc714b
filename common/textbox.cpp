#include "textbox.h"

#include <QPlainTextEdit>

namespace common {

QString displayText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

void setBoxText(QPlainTextEdit *box, const QString &text)
{
    box->setPlainText(displayText(text));
}

} // namespace common
