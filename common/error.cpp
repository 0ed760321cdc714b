#include "error.h"

namespace common {

Error::Error(int number, QString text)
    : m_number(number)
    , m_text(std::move(text))
    , m_what(QByteArray::number(number) + ": " + m_text.toUtf8())
{
}

Error Error::fileNotFound(const QString &path)
{
    return Error(FileNotFound, QStringLiteral("找不到文件“%1”。").arg(path));
}

Error Error::databaseNotFound(const QString &path)
{
    return Error(DatabaseNotFound, QStringLiteral("找不到数据库文件“%1”。").arg(path));
}

Error Error::unrecognizedFormat(const QString &path)
{
    return Error(UnrecognizedFormat, QStringLiteral("不可识别的数据库格式“%1”。").arg(path));
}

Error Error::cannotOpen(const QString &path)
{
    return Error(CannotOpenFile,
                 QStringLiteral("无法打开文件“%1”：没有读写它的权限，或者它已被独占打开。").arg(path));
}

Error Error::fileInUse(const QString &path)
{
    return Error(FileInUse, QStringLiteral("无法使用文件“%1”：它正被其他程序锁定。").arg(path));
}

Error Error::tableNotFound(const QString &path, const QString &table)
{
    return Error(TableNotFound, QStringLiteral("在数据库“%1”中找不到表“%2”。").arg(path, table));
}

Error Error::fieldNotFound(const QString &table, const QString &field)
{
    return Error(FieldNotFound, QStringLiteral("表“%1”中没有字段“%2”。").arg(table, field));
}

Error Error::noCurrentRecord(const QString &table)
{
    return Error(NoCurrentRecord, QStringLiteral("表“%1”没有当前记录。").arg(table));
}

} // namespace common
