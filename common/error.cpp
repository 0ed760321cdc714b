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

Error Error::fieldNotFound(const QString &path, const QString &table, const QString &field)
{
    return Error(FieldNotFound, QStringLiteral("数据库“%1”的表“%2”中没有字段“%3”。").arg(path, table, field));
}

Error Error::noCurrentRecord(const QString &table)
{
    return Error(NoCurrentRecord, QStringLiteral("表“%1”没有当前记录。").arg(table));
}

Error Error::fileReadOnly(const QString &path)
{
    return Error(CannotOpenFile, QStringLiteral("无法把修改保存到“%1”：文件是只读的，或者没有写入它的权限。"
                                                "请取消它的只读属性或给予写入权限后再试。").arg(path));
}

Error Error::fileReplaced(const QString &path)
{
    return Error(CannotOpenFile, QStringLiteral("无法把修改保存到“%1”：打开它以后，它已被换成了另一个文件"
                                                "（例如程序按更新后的内容重新建立了它）。请重新启动程序后再试。")
                                     .arg(path));
}

Error Error::diskFull(const QString &path)
{
    return Error(DiskFull, QStringLiteral("磁盘空间不足，无法把修改保存到“%1”，文件保持原样。"
                                          "请在该磁盘上腾出空间后再试。").arg(path));
}

Error Error::diskError(const QString &path)
{
    return Error(DiskError, QStringLiteral("读写“%1”时发生磁盘或网络错误，修改没有保存。"
                                           "请检查磁盘或网络连接后再试。").arg(path));
}

Error Error::folderReadOnly(const QString &path)
{
    return Error(FolderReadOnly, QStringLiteral("无法把修改保存到“%1”：文件所在的文件夹不可写入，"
                                                "保存时无法在其中建立日志文件。请给予该文件夹写入权限，"
                                                "或把文件复制到可写入的文件夹后再试。").arg(path));
}

Error Error::cannotLockFile(const QString &path)
{
    return Error(CannotLockFile, QStringLiteral("无法锁定“%1”以保存修改：该文件使用预写日志方式，"
                                                "需要在所在文件夹中建立锁定文件，但该文件夹不可写入。"
                                                "请给予该文件夹写入权限后再试。").arg(path));
}

Error Error::needsRecovery(const QString &path)
{
    return Error(NeedsRecovery, QStringLiteral("“%1”上次保存时被中断，旁边留有未完成的日志文件，"
                                               "只有能写入该文件的程序才能把它恢复完整。请给予写入权限后"
                                               "重新打开；恢复之前不要删除日志文件。").arg(path));
}

Error Error::operationTooLong(const QString &path, int seconds)
{
    return Error(OperationTooLong, QStringLiteral("读写“%1”的操作超过 %2 秒仍未完成，已被中止："
                                                  "文件可能已损坏或含有异常的内容。请换用完好的文件。")
                                       .arg(path)
                                       .arg(seconds));
}

Error Error::unsupportedTable(const QString &path, const QString &table)
{
    return Error(UnsupportedTable, QStringLiteral("无法使用数据库“%1”中的表“%2”：它的记录无法逐条定位"
                                                  "（没有行号，或者行号的名称都被字段占用）。"
                                                  "请把它改成普通的表。").arg(path, table));
}

Error Error::constraint(int number, const QString &path, const QString &table, const QString &field)
{
    QString rule;
    switch (number) {
    case DuplicateValue:
        rule = QStringLiteral("不允许字段“%1”的值重复，而另一条记录已有这个值").arg(field);
        break;
    case NullNotAllowed:
        rule = QStringLiteral("不允许字段“%1”为空").arg(field);
        break;
    default:
        number = ValidationFailed;
        rule = QStringLiteral("规定的条件不接受字段“%1”的这个值").arg(field);
    }
    return Error(number, QStringLiteral("修改没有保存：数据库“%1”对表“%2”%3。请检查该文件的表定义。")
                             .arg(path, table, rule));
}

QString incompleteDataWarning(const QString &path)
{
    return QStringLiteral("“%1”上次保存时被中断，程序没有改动它，只读取了文件中已有的内容，"
                          "显示的内容可能不完整。让能写入该文件的程序打开它一次即可恢复完整。").arg(path);
}

} // namespace common
