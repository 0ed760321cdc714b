#include "form3.h"

#include "textbox.h"
#include "twips.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

namespace tamsel {

namespace {

// Characters put into the box in one go; about a few thousand lines, a few tens of milliseconds.
constexpr qsizetype kPiece = 256 * 1024;
// Word wrapping a line this long without a break opportunity costs minutes in the text layout;
// such a line is wrapped anywhere instead.
constexpr qsizetype kLongLine = 16 * 1024;

// The end of the next piece: after a line break where there is one, so pieces join cleanly.
qsizetype pieceEnd(const QString &text, qsizetype from)
{
    const qsizetype limit = from + kPiece;
    if (limit >= text.size())
        return text.size();
    const qsizetype lineEnd = text.lastIndexOf(u'\n', limit);
    return lineEnd >= from ? lineEnd + 1 : limit;
}

bool hasLongLine(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        if (end - start > kLongLine)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

Form3::Form3()
    : m_text1(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Form3"));
    setFixedSize(common::twipsSize(10350, 6750));
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(common::twipsRect(120, 120, 10095, 6495));
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setPlainText(QStringLiteral("Text1"));
    m_text1->setAccessibleName(QStringLiteral("文章正文"));
    // Code listings line up only in a face whose CJK characters are two Latin columns wide.
    QFont face = m_text1->font();
    face.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("WenQuanYi Micro Hei Mono"),
                      QStringLiteral("NSimSun")});
    face.setStyleHint(QFont::TypeWriter);
    face.setFixedPitch(true);
    m_text1->setFont(face);
    common::makeTextBox(m_text1);
    m_text1->setFocus();
    Form_Load();
}

void Form3::Form_Load()
{
    // Fixed dialog frame (no minimise or maximise button), above every window that is not topmost.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
}

void Form3::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form3::setArticleText(const QString &text)
{
    const quint64 generation = ++m_generation;
    m_pending = common::displayText(text);
    m_text1->setWordWrapMode(hasLongLine(m_pending) ? QTextOption::WrapAnywhere
                                                     : QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_offset = pieceEnd(m_pending, 0);
    m_text1->document()->setUndoRedoEnabled(false);
    m_text1->setPlainText(m_pending.left(m_offset));
    appendPending(generation);
}

void Form3::appendPending(quint64 generation)
{
    if (generation != m_generation)
        return; // another article has replaced this one
    if (m_offset >= m_pending.size()) {
        m_pending.clear();
        m_text1->document()->setUndoRedoEnabled(true);
        return;
    }
    const qsizetype end = pieceEnd(m_pending, m_offset);
    QTextCursor cursor(m_text1->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(m_pending.mid(m_offset, end - m_offset));
    m_offset = end;
    QTimer::singleShot(0, this, [this, generation] { appendPending(generation); });
}

} // namespace tamsel
