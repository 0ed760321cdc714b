#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace tamsel {

// The reading window: one text box showing an article under its title. It stays above the other
// windows and is reused for every article until the user closes it.
class Form3 : public QWidget
{
    Q_OBJECT

public:
    Form3();

    // Replaces the whole text. A long article shows its beginning at once and the rest follows
    // in pieces between events, so that no window stops answering while it loads.
    void setArticleText(const QString &text);
    bool isLoading() const { return !m_pending.isEmpty(); }
    QPlainTextEdit *textBox() const { return m_text1; }

protected:
    // Esc closes the window, as its close box does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void appendPending(quint64 generation);

    QPlainTextEdit *m_text1;
    QString m_pending;
    qsizetype m_offset = 0;
    quint64 m_generation = 0;
};

} // namespace tamsel
