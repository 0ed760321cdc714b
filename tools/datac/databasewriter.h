#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace datac {

using Row = QList<std::optional<QString>>;

struct TableData
{
    QString name;
    QStringList fields;
    QList<Row> rows;
};

// Writes a database file holding exactly these tables, in this order, with text fields. The file
// is written beside the target and renamed over it only when complete. Returns an error text.
std::optional<QString> writeDatabase(const QString &path, const QList<TableData> &tables);

} // namespace datac
