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

    void setArticleText(const QString &text);
    QPlainTextEdit *textBox() const { return m_text1; }

private:
    void Form_Load();

    QPlainTextEdit *m_text1;
};

} // namespace tamsel
