#include "jetwriter.h"

#include "sqlitebackend.h"
#include "error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

// Every table of a SQLite database file, field by field.
QList<common::TableData> readTables(const QString &path)
{
    common::SqliteBackend db(path, false);
    QList<common::TableData> tables;
    for (const QString &name : db.tableNames()) {
        const auto source = db.openTable(name);
        common::TableData table{name, source->fieldNames(), {}};
        table.rows.resize(source->keys().size());
        for (int f = 0; f < int(table.fields.size()); ++f) {
            const QList<common::FieldValue> column = source->readColumn(f);
            for (qsizetype r = 0; r < column.size() && r < table.rows.size(); ++r)
                table.rows[r].append(column[r]);
        }
        tables.append(table);
    }
    return tables;
}

} // namespace

// jetfixture [--jet3 [--code-page N]] SQLITE_FILE JET_FILE
// Writes a Jet copy of a database file (every table, every row, NULLs as they are).
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    jetfixture::JetOptions options;
    if (args.value(0) == u"--jet3"_s) {
        options.version = jetfixture::JetVersion::Jet3;
        args.removeFirst();
        if (args.value(0) == u"--code-page"_s) {
            options.codePage = args.value(1).toInt();
            args = args.mid(2);
        }
    }
    if (args.size() != 2) {
        print(stderr, u"usage: jetfixture [--jet3 [--code-page N]] SOURCE_DATABASE JET_FILE"_s);
        return 2;
    }
    try {
        QList<jetfixture::JetTable> tables;
        for (const common::TableData &t : readTables(args[0]))
            tables.append({t, {}, {}, {}});
        if (!jetfixture::writeJetFile(args[1], tables, options)) {
            print(stderr, u"cannot write %1"_s.arg(args[1]));
            return 1;
        }
    } catch (const common::Error &e) {
        print(stderr, e.text());
        return 1;
    }
    return 0;
}
