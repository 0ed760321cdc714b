#include "textbox.h"

#include <QPlainTextEdit>

namespace common {

QString displayText(QString text)
{
    if (!text.contains(u'\r'))
        return text;
    // One pass: QString::replace with a two-character pattern takes seconds on a long article.
    QString shown(text.size(), Qt::Uninitialized);
    QChar *out = shown.data();
    const QChar *in = text.constData();
    const QChar *end = in + text.size();
    while (in < end) {
        if (*in == u'\r') {
            *out++ = u'\n';
            if (in + 1 < end && in[1] == u'\n')
                ++in;
            ++in;
        } else {
            *out++ = *in++;
        }
    }
    shown.truncate(out - shown.constData());
    return shown;
}

void setBoxText(QPlainTextEdit *box, const QString &text)
{
    box->setPlainText(displayText(text));
}

} // namespace common
