#pragma once

#include "textfinder.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tamsel {

// A find bar under a text box: searches the box's text as the user types, marks the matches in
// sight and steps from one to the next. The text may still be streaming in: the search follows it.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(QPlainTextEdit *text, QWidget *parent);

    // Shows the bar with the focus in its box and the query selected.
    void open();
    // Shows the bar searching for `query` and selects its first match, once the text holds one.
    // The focus stays where it is.
    void find(const QString &query);
    // Hides the bar and its marks; the focus goes back to the text.
    void dismiss();
    // The next or previous match after the selection, going round at either end. The bar shows
    // if it was hidden.
    void findNext();
    void findPrevious();

    // The text box is given another text: the search starts again at its beginning. While the
    // text is loading, a query not found yet may still be found.
    void restart();
    void setTextLoading(bool loading);

Q_SIGNALS:
    void shownChanged(bool shown);

protected:
    // Enter and Shift+Enter in the box step to the next and previous match.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void textChanged(int position, int removed, int added);
    // A new query, or the same in a new text; -1: select no match.
    void startSearch(qsizetype seekFrom);
    void searchSome();
    void queueSearch();
    void finishSearch();
    void showResults();
    void step(bool forward);
    void select(qsizetype index, const QString &notice);
    void updateStatus();
    void updateMarks();
    // Whether the bar was shown or hidden by this.
    bool setShown(bool shown);

    QPlainTextEdit *m_text;
    QLineEdit *m_query;
    QPushButton *m_previous;
    QPushButton *m_next;
    QLabel *m_status;
    QLabel *m_notice;
    QPushButton *m_close;
    TextFinder m_finder;
    bool m_tracking = false;   // the finder follows the text once the bar has been opened
    bool m_loading = false;
    bool m_stepQueued = false;
    bool m_marking = false;
    bool m_marksQueued = false;
    qsizetype m_seekFrom = -1; // the first match at or after this is to be selected once found
};

} // namespace tamsel
