#include "datacontrol.h"

namespace common {

DataControl::DataControl(const QString &name, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    hide();
}

void DataControl::setDatabaseName(const QString &path)
{
    m_databaseName = path;
}

void DataControl::refresh(Database::Access access)
{
    close();
    auto database = Database::open(m_databaseName, access);
    auto recordset = database->openRecordset(m_recordSource);
    m_database = std::move(database);
    m_recordset = std::move(recordset);
}

void DataControl::close()
{
    m_recordset.reset();
    m_database.reset();
}

} // namespace common
