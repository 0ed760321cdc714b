// A database file of arbitrary bytes, opened and walked as the programs do: every table, every
// row, every field. Failing with a numbered error is fine; anything else is a finding.
#include "database.h"
#include "error.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <unistd.h>

namespace {

void walk(const QString &path)
{
    const auto db = common::Database::open(path, common::Database::Access::ReadOnly);
    for (const QString &table : db->tableNames()) {
        try {
            const auto recordset = db->openRecordset(table);
            const QStringList fields = recordset->fieldNames();
            for (const QString &field : fields)
                recordset->column(field);
            if (recordset->recordCount() == 0)
                continue;
            for (recordset->moveFirst(); !recordset->eof(); recordset->moveNext()) {
                for (const QString &field : fields)
                    recordset->field(field);
            }
            recordset->moveLast();
            recordset->movePrevious();
        } catch (const common::Error &) {
            // One damaged table does not end the walk through the others.
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = QDir::tempPath() + QStringLiteral("/fuzz_database_%1.mdb").arg(::getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    try {
        walk(path);
    } catch (const common::Error &) {
    }
    QFile::remove(path);
    return 0;
}
