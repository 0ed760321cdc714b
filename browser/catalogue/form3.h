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
    // Opens the find bar with this query, its matches highlighted and the first selected.
    void showFind(const QString &query);

protected:
    // Esc closes the window, as its close box does.
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

    QPlainTextEdit *m_text1;
    std::unique_ptr<ArticleFile> m_file;
    std::function<void(const common::Error &)> m_failed;
    quint64 m_generation = 0;
    QString m_held;           // the end of a line not yet complete
    qsizetype m_lineLength = 0; // characters of the line being read so far
    bool m_firstPiece = false;
};

} // namespace tamsel
