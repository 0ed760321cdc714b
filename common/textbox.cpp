#include "textbox.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QWheelEvent>

#include <algorithm>
#include <optional>

namespace common {

namespace {

class TextZoom : public QObject
{
public:
    explicit TextZoom(QPlainTextEdit *box)
        : QObject(box)
        , m_box(box)
    {
        box->installEventFilter(this);
        box->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Wheel) {
            const auto *wheel = static_cast<QWheelEvent *>(event);
            if (!(wheel->modifiers() & Qt::ControlModifier))
                return false;
            if (const int delta = wheel->angleDelta().y(); delta != 0)
                zoom(delta > 0 ? 1 : -1);
            return true;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!(key->modifiers() & Qt::ControlModifier) || (key->modifiers() & Qt::AltModifier))
            return false;
        switch (key->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: zoom(1); return true;
        case Qt::Key_Minus: zoom(-1); return true;
        case Qt::Key_0: zoom(0); return true;
        default: return false;
        }
    }

private:
    // One point a step; 0 restores the size the box had before the first step.
    void zoom(int step)
    {
        QFont font = m_box->font();
        if (!m_original)
            m_original = font.pointSizeF();
        const qreal size = step == 0 ? *m_original : std::clamp(font.pointSizeF() + step, 5.0, 48.0);
        font.setPointSizeF(size);
        m_box->setFont(font);
    }

    QPlainTextEdit *m_box;
    std::optional<qreal> m_original;
};

} // namespace

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

void makeTextBox(QPlainTextEdit *box)
{
    box->setTabChangesFocus(true);
    new TextZoom(box);
}

} // namespace common
