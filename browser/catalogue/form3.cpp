#include "form3.h"

#include "textbox.h"
#include "twips.h"

#include <QPlainTextEdit>

namespace tamsel {

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
    m_text1->setFocus();
    Form_Load();
}

void Form3::Form_Load()
{
    // Fixed dialog frame, above every window that is not topmost itself.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
}

void Form3::setArticleText(const QString &text)
{
    common::setBoxText(m_text1, text);
}

} // namespace tamsel
