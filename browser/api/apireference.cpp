#include "apireference.h"

#include "database.h"
#include "error.h"

namespace tamsel {

std::optional<QString> composeApiDetails(const std::optional<QString> &declaration,
                                         const ApiFunctionText &text)
{
    if (!declaration)
        return std::nullopt;
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("【VB声明】") + crlf + crlf + *declaration + crlf + crlf
        + QStringLiteral("【说明】") + crlf + text.description + crlf + crlf
        + QStringLiteral("【返回值】") + crlf + text.returnValue + crlf + text.notes;
}

ApiReference::ApiReference(common::Recordset &functions, common::Recordset &declarations)
    : m_functions(functions)
    , m_declarations(declarations)
{
}

ApiFunctionText ApiReference::select(std::optional<qint64> bookmark)
{
    // Each step that fails is skipped and the next one runs.
    if (bookmark) {
        try {
            m_functions.setBookmark(*bookmark);
        } catch (const common::Error &) {
        }
    }
    ApiFunctionText text;
    try {
        text.description = m_functions.text(QStringLiteral("说明"));
        text.returnValue = m_functions.text(QStringLiteral("返回值"));
        text.notes = m_functions.text(QStringLiteral("其它"));
    } catch (const common::Error &) {
    }
    return text;
}

std::optional<QString> ApiReference::pairedDeclaration()
{
    try {
        const int position = m_functions.absolutePosition();
        m_declarations.moveFirst();
        if (position > 0)
            m_declarations.setAbsolutePosition(position);
        return m_declarations.field(QStringLiteral("fullname"));
    } catch (const common::Error &) {
        return std::nullopt;
    }
}

} // namespace tamsel
