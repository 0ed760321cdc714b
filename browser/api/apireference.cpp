#include "apireference.h"

#include "database.h"
#include "error.h"

#include <QList>

#include <utility>

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

ApiReference::ApiReference(std::shared_ptr<common::Recordset> functions,
                           std::shared_ptr<common::Recordset> declarations)
    : m_functions(std::move(functions))
    , m_declarations(std::move(declarations))
{
}

namespace {

// Every field the reference reads, with its table, in the order a click reads them.
QList<std::pair<QString, QString>> fieldsRead()
{
    const QString functions = QStringLiteral("winfun");
    return {{functions, QStringLiteral("函数")},
            {functions, QStringLiteral("说明")},
            {functions, QStringLiteral("返回值")},
            {functions, QStringLiteral("其它")},
            {QStringLiteral("funclass"), QStringLiteral("fullname")}};
}

} // namespace

std::optional<common::Error> ApiReference::missingField(const common::Recordset &functions,
                                                        const common::Recordset &declarations,
                                                        const QString &path)
{
    for (const auto &[table, field] : fieldsRead()) {
        const common::Recordset &recordset = table == u"funclass" ? declarations : functions;
        if (!recordset.hasField(field))
            return common::Error::fieldNotFound(path, table, field);
    }
    return std::nullopt;
}

ApiFunctionText ApiReference::select(std::optional<qint64> bookmark)
{
    // Each step that fails is skipped and the next one runs.
    if (bookmark) {
        try {
            m_functions->setBookmark(*bookmark);
        } catch (const common::Error &) {
        }
    }
    const auto read = [this](const QString &field) {
        try {
            return m_functions->text(field);
        } catch (const common::Error &) {
            return QString();
        }
    };
    return {read(QStringLiteral("说明")), read(QStringLiteral("返回值")), read(QStringLiteral("其它"))};
}

std::optional<QString> ApiReference::pairedDeclaration()
{
    try {
        const int position = m_functions->absolutePosition();
        m_declarations->moveFirst();
        if (position > 0)
            m_declarations->setAbsolutePosition(position);
        return m_declarations->field(QStringLiteral("fullname"));
    } catch (const common::Error &) {
        return std::nullopt;
    }
}

} // namespace tamsel
