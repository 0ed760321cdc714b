// Reading the knowledge base at start-up: how it grows with the number of tables and of entries.
// Run: build/bench/bench_knowledge
// Prints each figure as `name: value (target)` and exits non-zero when a target is missed.
#include "benchcommon.h"
#include "database.h"
#include "knowledgebase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>


namespace {

QString createKnowledgeBase(const QTemporaryDir &dir, int tables, int entries)
{
    const QString path = dir.filePath(QStringLiteral("vb-%1-%2.MDB").arg(tables).arg(entries));
    bench::writeKnowledgeBase(path, tables, entries);
    return path;
}

// Best of a few runs of opening the file and reading every section, in milliseconds.
template<typename Read>
double bestOf(const QString &path, Read read)
{
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto db = common::Database::open(path, common::Database::Access::ReadOnly);
        read(*db);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

double readAll(const QString &path)
{
    return bestOf(path, [](common::Database &db) { tamsel::readKnowledgeBase(db); });
}

// The same read field by field, row by row, as a walk over the records does.
double readFieldByField(const QString &path)
{
    return bestOf(path, [](common::Database &db) {
        for (const QString &table : db.tableNames()) {
            const auto records = db.openRecordset(table);
            for (int i = 0; i < records->recordCount(); ++i) {
                records->setAbsolutePosition(i);
                records->text(QStringLiteral("目录"));
                records->text(QStringLiteral("内容"));
            }
        }
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;

    // Many tables of one entry each: the cost per table must not grow with their number.
    const double t4000 = readAll(createKnowledgeBase(dir, 4000, 1));
    const double t8000 = readAll(createKnowledgeBase(dir, 8000, 1));
    bench::report("reading 8,000 vs 4,000 tables of one entry", bench::ms(t8000) + QStringLiteral(" vs ") + bench::ms(t4000),
                  QStringLiteral("<= 2.5x"), bench::times(t8000 / t4000), t8000 <= 2.5 * t4000);

    // Ten tables of 100 and of 10,000 entries.
    const QString small = createKnowledgeBase(dir, 10, 100);
    const QString large = createKnowledgeBase(dir, 10, 10000);
    const double t1k = readAll(small);
    const double t100k = readAll(large);
    const double walked100k = readFieldByField(large);
    const double perEntry = t100k * 1000 / 100000;
    bench::note("reading 1,000 and 100,000 entries", bench::ms(t1k) + QStringLiteral(" and ") + bench::ms(t100k));
    bench::report("reading 100,000 entries, cost per entry", QString::number(perEntry, 'f', 2) + QStringLiteral(" us"),
                  QStringLiteral("<= 5 us"), bench::times(perEntry / 5), perEntry <= 5);
    bench::report("reading 100,000 entries in one pass vs field by field",
                  bench::ms(t100k) + QStringLiteral(" vs ") + bench::ms(walked100k), QStringLiteral("<= 0.5x"),
                  bench::times(t100k / walked100k), t100k <= 0.5 * walked100k);
    return bench::exitStatus();
}
