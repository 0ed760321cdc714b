// The stream the Jet reader program writes, as the record layer parses it: any bytes either give
// tables whose every column holds one value per row, or are refused, and never crash.
#include "jetstream.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto tables = common::parseJetStream(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!tables)
        return 0;
    for (const common::JetTableData &table : *tables) {
        if (table.columns.size() != table.fields.size())
            std::abort();
        for (const auto &column : table.columns) {
            if (column.size() != table.rowCount)
                std::abort();
        }
    }
    return 0;
}
