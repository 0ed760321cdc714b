#pragma once

#include "database.h"

#include <QWidget>

#include <memory>

namespace common {

// A hidden holder of one record source: the database file it points at, the table it opens and,
// once refreshed, the open recordset. The forms keep their data sources in these.
class DataControl : public QWidget
{
    Q_OBJECT

public:
    DataControl(const QString &name, QWidget *parent);

    const QString &databaseName() const { return m_databaseName; }
    void setDatabaseName(const QString &path);
    const QString &recordSource() const { return m_recordSource; }
    void setRecordSource(const QString &table) { m_recordSource = table; }

    // Opens the database and its record source, positioned on the first row. Throws Error;
    // on failure the control is left closed.
    void refresh(Database::Access access);
    void close();

    bool isOpen() const { return m_recordset != nullptr; }
    Database *database() const { return m_database.get(); }
    Recordset *recordset() const { return m_recordset.get(); }
    // The open recordset, for a holder that may outlive the control's next refresh or close.
    const std::shared_ptr<Recordset> &sharedRecordset() const { return m_recordset; }

private:
    QString m_databaseName;
    QString m_recordSource;
    std::unique_ptr<Database> m_database;
    std::shared_ptr<Recordset> m_recordset;
};

} // namespace common
