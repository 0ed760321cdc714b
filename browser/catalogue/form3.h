#pragma once

#include "articlereader.h"

#include <QWidget>

#include <functional>
#include <memory>

class QPlainTextEdit;

namespace common {
class Error;
}

namespace tamsel {

class FindBar;

// The reading window: one text box showing an article under its title. It stays above the other
// windows and is reused for every article until the user closes it.
class Form3 : public QWidget
{
    Q_OBJECT

public:
    Form3();

    // Replaces the whole text with the article read from the file: its beginning shows at once,
    // the rest follows in pieces between events, so that no window stops answering while a large
    // file loads. A later article stops this one. A failure to read on is passed to `failed`.
    void loadArticle(std::unique_ptr<ArticleFile> file, std::function<void(const common::Error &)> failed);
    bool isLoading() const { return m_file != nullptr; }
    QPlainTextEdit *textBox() const { return m_text1; }

    // Opens the find bar with this query, marks every match and selects the first, also one that
    // is still to come while the article streams in.
    void showFind(const QString &query);
    FindBar *findBar() const { return m_findBar; }

protected:
    // Ctrl+F opens the find bar; F3 and Shift+F3 go to the next and previous match. Esc closes
    // the find bar, or else the window, as its close box does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void stopLoading();
    void startText();
    void readPieces(int budgetMs);
    void appendText(const QString &piece);
    void finishText();
    void checkLongLine(const QString &piece);
    void insertAtEnd(const QString &text);
    void placeFindBar();

    QPlainTextEdit *m_text1;
    FindBar *m_findBar;
    std::unique_ptr<ArticleFile> m_file;
    std::function<void(const common::Error &)> m_failed;
    quint64 m_generation = 0;
    QString m_held;           // the end of a line not yet complete
    qsizetype m_lineLength = 0; // characters of the line being read so far
    bool m_firstPiece = false;
};

} // namespace tamsel
