#include "form3.h"

#include "error.h"
#include "findbar.h"
#include "textbox.h"
#include "twips.h"
#include "windowframe.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

namespace tamsel {

namespace {

// Time given to reading and showing the article in one go between events: the window stays
// responsive while a large file streams in, and the pieces are large enough to cost little.
constexpr int kStepMs = 30;
// Bytes read at a time after the first piece: larger pieces cost less for each line.
constexpr qsizetype kLaterPieceBytes = 4 * ArticleFile::kPieceBytes;
// Word wrapping a line this long without a break opportunity costs minutes in the text layout;
// such a line is wrapped anywhere instead.
constexpr qsizetype kLongLine = 16 * 1024;
// The text box's place; the find bar takes the bottom of it while it shows.
constexpr QRect kText1Rect = common::twipsRect(120, 120, 10095, 6495);
constexpr int kFindBarGap = common::fromTwips(120);

} // namespace

Form3::Form3()
    : m_text1(new QPlainTextEdit(this))
    , m_findBar(new FindBar(m_text1, this))
{
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Form3"));
    setFixedSize(common::twipsSize(10350, 6750));
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(kText1Rect);
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
    connect(m_findBar, &FindBar::shownChanged, this, &Form3::placeFindBar);
    Form_Load();
}

void Form3::Form_Load()
{
    // Above every window that is not topmost.
    setWindowFlags(Qt::Window | common::kFixedFrame | Qt::WindowStaysOnTopHint);
}

void Form3::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_F && modifiers == Qt::ControlModifier) {
        m_findBar->open();
    } else if (event->key() == Qt::Key_F3 && modifiers == Qt::NoModifier) {
        m_findBar->findNext();
    } else if (event->key() == Qt::Key_F3 && modifiers == Qt::ShiftModifier) {
        m_findBar->findPrevious();
    } else if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        if (m_findBar->isHidden())
            close();
        else
            m_findBar->dismiss();
    } else {
        QWidget::keyPressEvent(event);
    }
}

void Form3::showFind(const QString &query)
{
    m_findBar->find(query);
}

void Form3::placeFindBar()
{
    // The window keeps its size: the text box gives the bar its room.
    QRect text = kText1Rect;
    if (!m_findBar->isHidden()) {
        const int height = m_findBar->sizeHint().height();
        m_findBar->setGeometry(text.left(), text.bottom() + 1 - height, text.width(), height);
        text.setHeight(text.height() - height - kFindBarGap);
    }
    m_text1->setGeometry(text);
}

void Form3::loadArticle(std::unique_ptr<ArticleFile> file, std::function<void(const common::Error &)> failed)
{
    stopLoading();
    m_file = std::move(file);
    m_failed = std::move(failed);
    startText();
    m_findBar->setTextLoading(true);
    m_findBar->restart();
    // The first piece at once, painted before the rest is read between events.
    readPieces(0);
    if (m_text1->isVisible())
        m_text1->viewport()->repaint();
}

void Form3::stopLoading()
{
    ++m_generation; // a step already queued for this article does nothing
    m_file.reset();
    m_held.clear();
}

void Form3::startText()
{
    m_text1->document()->setUndoRedoEnabled(false);
    m_text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text1->clear();
    m_firstPiece = true;
    m_lineLength = 0;
}

void Form3::readPieces(int budgetMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    try {
        do {
            appendText(common::displayText(m_file->readPiece(budgetMs ? kLaterPieceBytes : ArticleFile::kPieceBytes)));
        } while (!m_file->atEnd() && elapsed.elapsed() < budgetMs);
    } catch (const common::Error &error) {
        // What was read stays; the user is told the file could not be read to its end.
        finishText();
        stopLoading();
        if (m_failed)
            m_failed(error);
        return;
    }
    if (m_file->atEnd()) {
        m_file.reset();
        finishText();
    } else {
        QTimer::singleShot(0, this, [this, generation = m_generation] {
            if (generation == m_generation)
                readPieces(kStepMs);
        });
    }
}

void Form3::appendText(const QString &piece)
{
    checkLongLine(piece);
    // A line grows by appending to its text block, and the text box lays that block out again
    // each time: a long line coming in many pieces would cost time growing with its square. So
    // only whole lines are added and the end of an unfinished line is held back; only the first
    // piece is shown as it is, so that the beginning of any article shows at once.
    if (m_firstPiece) {
        m_firstPiece = false;
        insertAtEnd(piece);
        return;
    }
    const qsizetype lineEnd = piece.lastIndexOf(u'\n');
    if (lineEnd < 0) {
        m_held += piece;
        return;
    }
    if (m_held.isEmpty()) {
        insertAtEnd(lineEnd + 1 == piece.size() ? piece : piece.first(lineEnd + 1));
    } else {
        m_held += QStringView(piece).first(lineEnd + 1);
        insertAtEnd(m_held);
    }
    m_held = piece.sliced(lineEnd + 1);
}

void Form3::finishText()
{
    if (!m_held.isEmpty()) {
        insertAtEnd(m_held);
        m_held.clear();
        m_held.squeeze();
    }
    m_text1->document()->setUndoRedoEnabled(true);
    m_findBar->setTextLoading(false);
}

void Form3::checkLongLine(const QString &piece)
{
    if (m_text1->wordWrapMode() == QTextOption::WrapAnywhere)
        return;
    bool longLine = false;
    for (qsizetype start = 0;;) {
        const qsizetype end = piece.indexOf(u'\n', start);
        m_lineLength += (end < 0 ? piece.size() : end) - start;
        longLine = longLine || m_lineLength > kLongLine;
        if (end < 0)
            break;
        m_lineLength = 0;
        start = end + 1;
    }
    if (longLine)
        m_text1->setWordWrapMode(QTextOption::WrapAnywhere);
}

void Form3::insertAtEnd(const QString &text)
{
    if (text.isEmpty())
        return;
    const bool first = m_text1->document()->isEmpty();
    QTextCursor cursor(m_text1->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    // The box's own cursor stood at the end of the empty text and moved along with it; left
    // there it would follow every later piece, and the first key would jump to the end.
    if (first)
        m_text1->moveCursor(QTextCursor::Start);
}

} // namespace tamsel
