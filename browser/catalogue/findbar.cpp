#include "findbar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace tamsel {

namespace {

// Text searched at a time, and the time given to searching between two events: a large article
// is searched in a few turns of the event loop while the user goes on typing.
constexpr qsizetype kSliceUnits = 256 * 1024;
constexpr int kStepMs = 20;
// Marking every match of a large text would make each scroll and keystroke slow: only the matches
// in sight and a screen either side are marked, and never more than this.
constexpr qsizetype kMostMarks = 3000;

const QColor kMatchColour(255, 228, 120);
const QColor kCurrentColour(255, 150, 50);
const QColor kNotFoundColour(255, 205, 205);

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, const QString &accessible,
                        const QString &tip)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(accessible);
    button->setToolTip(tip);
    button->setAutoDefault(true); // Enter presses the button that has the focus
    return button;
}

QTextCursor rangeCursor(QTextDocument *document, const TextMatch &match)
{
    QTextCursor cursor(document);
    cursor.setPosition(int(match.position));
    cursor.setPosition(int(match.position + match.length), QTextCursor::KeepAnchor);
    return cursor;
}

} // namespace

FindBar::FindBar(QPlainTextEdit *text, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
    , m_query(new QLineEdit(this))
    , m_previous(makeButton(this, "findPrevious", u"上一处"_s, u"查找上一处"_s, u"查找上一处（Shift+F3）"_s))
    , m_next(makeButton(this, "findNext", u"下一处"_s, u"查找下一处"_s, u"查找下一处（F3）"_s))
    , m_status(new QLabel(this))
    , m_notice(new QLabel(this))
    , m_close(makeButton(this, "findClose", u"关闭"_s, u"关闭查找栏"_s, u"关闭查找栏（Esc）"_s))
{
    setObjectName(u"findBar"_s);
    setAccessibleName(u"查找栏"_s);
    auto *label = new QLabel(u"查找(&F)："_s, this);
    label->setObjectName(u"findLabel"_s);
    label->setBuddy(m_query);
    m_query->setObjectName(u"findText"_s);
    m_query->setAccessibleName(u"查找内容"_s);
    m_query->setPlaceholderText(u"输入要查找的文字"_s);
    m_query->setFixedWidth(200);
    m_status->setObjectName(u"findStatus"_s);
    m_status->setAccessibleName(u"查找结果"_s);
    m_notice->setObjectName(u"findNotice"_s);
    m_notice->setAccessibleName(u"查找提示"_s);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label);
    row->addWidget(m_query);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addSpacing(6);
    row->addWidget(m_status);
    row->addSpacing(6);
    row->addWidget(m_notice, 1);
    row->addWidget(m_close);
    hide();

    connect(m_query, &QLineEdit::textEdited, this, [this] { startSearch(m_text->textCursor().selectionStart()); });
    connect(m_previous, &QPushButton::clicked, this, &FindBar::findPrevious);
    connect(m_next, &QPushButton::clicked, this, &FindBar::findNext);
    connect(m_close, &QPushButton::clicked, this, &FindBar::dismiss);
    connect(m_text->document(), &QTextDocument::contentsChange, this, &FindBar::textChanged);
    // What is in sight changes with scrolling, a new layout (a resize, another text size) and
    // the selection, which is marked as the current match.
    for (QScrollBar *bar : {m_text->verticalScrollBar(), m_text->horizontalScrollBar()}) {
        connect(bar, &QScrollBar::valueChanged, this, &FindBar::updateMarks);
        connect(bar, &QScrollBar::rangeChanged, this, &FindBar::updateMarks);
    }
    connect(m_text, &QPlainTextEdit::selectionChanged, this, [this] {
        updateStatus();
        updateMarks();
    });
}

void FindBar::open()
{
    if (setShown(true))
        startSearch(m_text->textCursor().selectionStart());
    m_query->setFocus(Qt::ShortcutFocusReason);
    m_query->selectAll();
}

void FindBar::find(const QString &query)
{
    m_query->setText(query);
    setShown(true);
    startSearch(0);
}

void FindBar::dismiss()
{
    const bool hadFocus = isAncestorOf(QApplication::focusWidget());
    setShown(false);
    if (hadFocus)
        m_text->setFocus(Qt::OtherFocusReason);
}

void FindBar::findNext()
{
    step(true);
}

void FindBar::findPrevious()
{
    step(false);
}

void FindBar::restart()
{
    if (!isHidden())
        startSearch(0);
}

void FindBar::setTextLoading(bool loading)
{
    m_loading = loading;
    if (!isHidden())
        showResults();
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        step(!(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FindBar::setShown(bool shown)
{
    if (shown == !isHidden())
        return false;
    if (shown && !m_tracking) {
        // Folded once; from now on each change of the text is folded as it comes.
        m_tracking = true;
        m_finder.replace(0, m_finder.size(), m_text->toPlainText());
    }
    setVisible(shown);
    Q_EMIT shownChanged(shown);
    if (!shown) {
        m_finder.setQuery(QString()); // nothing is searched while the bar is hidden
        m_seekFrom = -1;
        m_notice->clear();
        updateMarks();
    }
    return true;
}

void FindBar::textChanged(int position, int removed, int added)
{
    if (!m_tracking)
        return;
    // The document counts its final paragraph end in some changes, and reports a cleared text
    // before its removal: what changed is worked out from the length it now has.
    const qsizetype length = m_text->document()->characterCount() - 1;
    const qsizetype removedHere = std::min<qsizetype>(removed, m_finder.size() - position);
    const qsizetype addedHere = length - (m_finder.size() - removedHere);
    if (position > m_finder.size() || addedHere < 0 || addedHere > added) {
        m_finder.replace(0, m_finder.size(), m_text->toPlainText());
    } else {
        const QTextCursor changed = rangeCursor(m_text->document(), {position, addedHere});
        m_finder.replace(position, removedHere, changed.selectedText());
    }
    // Several pieces of a streaming article are searched together.
    if (!isHidden())
        queueSearch();
}

void FindBar::startSearch(qsizetype seekFrom)
{
    m_finder.setQuery(m_query->text());
    m_seekFrom = m_finder.query().isEmpty() ? -1 : seekFrom;
    m_notice->clear();
    searchSome();
}

void FindBar::searchSome()
{
    QElapsedTimer elapsed;
    elapsed.start();
    bool done = false;
    do {
        done = m_finder.searchOn(kSliceUnits);
    } while (!done && elapsed.elapsed() < kStepMs);
    if (!done)
        queueSearch();
    showResults();
}

void FindBar::queueSearch()
{
    if (m_stepQueued)
        return;
    m_stepQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_stepQueued = false;
        searchSome();
    });
}

void FindBar::finishSearch()
{
    m_finder.searchOn(m_finder.size());
}

void FindBar::showResults()
{
    if (m_seekFrom >= 0) {
        qsizetype index = m_finder.firstFrom(m_seekFrom);
        // None after the place the search started: the first one, once the whole text is in.
        const bool wrapped = index < 0 && m_finder.searchedAll() && !m_loading && !m_finder.matches().isEmpty();
        if (wrapped)
            index = 0;
        if (index >= 0) {
            m_seekFrom = -1;
            select(index, wrapped ? u"已回到开头"_s : QString());
        }
    }
    updateStatus();
    updateMarks();
}

void FindBar::step(bool forward)
{
    if (setShown(true)) {
        startSearch(-1); // the step below selects the match
        if (m_finder.query().isEmpty()) {
            m_query->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    finishSearch();
    m_seekFrom = -1;
    const QList<TextMatch> &matches = m_finder.matches();
    if (matches.isEmpty()) {
        showResults();
        return;
    }
    const QTextCursor cursor = m_text->textCursor();
    // From the selected match, or from the place the user has put the cursor.
    qsizetype index = forward ? m_finder.firstFrom(cursor.selectionStart() + (cursor.hasSelection() ? 1 : 0))
                              : m_finder.lastBefore(cursor.selectionStart());
    QString notice;
    if (index < 0) {
        index = forward ? 0 : matches.size() - 1;
        notice = forward ? u"已回到开头"_s : u"已回到末尾"_s;
    }
    select(index, notice);
    showResults();
}

void FindBar::select(qsizetype index, const QString &notice)
{
    m_notice->setText(notice);
    m_text->setTextCursor(rangeCursor(m_text->document(), m_finder.matches().at(index)));
    m_text->ensureCursorVisible();
}

void FindBar::updateStatus()
{
    if (isHidden())
        return;
    const qsizetype count = m_finder.matches().size();
    const bool searching = !m_finder.searchedAll() || m_loading;
    QString status;
    if (m_finder.query().isEmpty()) {
        status.clear();
    } else if (count == 0) {
        status = searching ? u"正在查找…"_s : u"未找到"_s;
    } else {
        const QTextCursor cursor = m_text->textCursor();
        const qsizetype current = m_finder.indexOf(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
        status = current >= 0 ? u"第 %1 处，共 %2 处"_s.arg(current + 1).arg(count) : u"共 %1 处"_s.arg(count);
    }
    m_status->setText(status);
    m_status->setAccessibleDescription(status);
    m_query->setAccessibleDescription(status);
    const bool notFound = status == u"未找到";
    if (notFound != m_query->testAttribute(Qt::WA_SetPalette)) {
        QPalette palette;
        if (notFound) {
            palette = m_query->palette();
            palette.setColor(QPalette::Base, kNotFoundColour);
        }
        m_query->setPalette(palette);
    }
}

void FindBar::updateMarks()
{
    if (m_marking) {
        // Setting the marks lays out text, which may change the scroll range and call this
        // again while the text box is still replacing its marks: once that is done.
        if (!m_marksQueued) {
            m_marksQueued = true;
            QTimer::singleShot(0, this, [this] {
                m_marksQueued = false;
                updateMarks();
            });
        }
        return;
    }
    const QScopedValueRollback marking(m_marking, true);
    QList<QTextEdit::ExtraSelection> marks;
    const QList<TextMatch> &matches = m_finder.matches();
    if (!isHidden() && !matches.isEmpty()) {
        const QRect sight = m_text->viewport()->rect();
        const qsizetype first = m_text->cursorForPosition(sight.topLeft()).position();
        const qsizetype last = m_text->cursorForPosition(sight.bottomRight()).position();
        const qsizetype screen = last - first + 1;
        qsizetype begin = m_finder.lastBefore(first - screen) + 1;
        qsizetype end = m_finder.lastBefore(last + screen + 1) + 1;
        if (end - begin > kMostMarks) {
            // Dense matches: those in sight first.
            begin = std::max(begin, m_finder.lastBefore(first) + 1 - kMostMarks / 4);
            end = std::min(end, begin + kMostMarks);
        }
        const QTextCursor selection = m_text->textCursor();
        marks.reserve(end - begin);
        for (qsizetype i = begin; i < end; ++i) {
            QTextEdit::ExtraSelection mark;
            mark.cursor = rangeCursor(m_text->document(), matches[i]);
            const bool current = mark.cursor.selectionStart() == selection.selectionStart()
                                 && mark.cursor.selectionEnd() == selection.selectionEnd();
            mark.format.setBackground(current ? kCurrentColour : kMatchColour);
            marks.append(mark);
        }
    }
    if (!marks.isEmpty() || !m_text->extraSelections().isEmpty())
        m_text->setExtraSelections(marks);
}

} // namespace tamsel
