// Time of one click in the API list, for the first and the last of 10,000 functions.
// Run: build/bench/bench_api
#include "apireference.h"
#include "database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

static void createReference(const QString &path, int functions)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db,
                 "BEGIN; CREATE TABLE winfun (\"函数\" TEXT, \"说明\" TEXT, \"返回值\" TEXT, \"其它\" TEXT);"
                 "CREATE TABLE funclass (fullname TEXT);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *fun = nullptr, *decl = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO winfun VALUES (?, '说明文字', '返回值文字', '其它说明')", -1, &fun, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO funclass VALUES (?)", -1, &decl, nullptr);
    for (int i = 0; i < functions; ++i) {
        const QByteArray name = "Function" + QByteArray::number(i);
        const QByteArray declaration = "Declare Function " + name + " Lib \"user32\" () As Long";
        sqlite3_bind_text(fun, 1, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(fun);
        sqlite3_reset(fun);
        sqlite3_bind_text(decl, 1, declaration.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(decl);
        sqlite3_reset(decl);
    }
    sqlite3_finalize(fun);
    sqlite3_finalize(decl);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    constexpr int kFunctions = 10000;
    constexpr int kClicks = 2000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("api.mdb"));
    createReference(path, kFunctions);

    auto db = common::Database::open(path, common::Database::Access::ReadOnly);
    QElapsedTimer open;
    open.start();
    auto functions = db->openRecordset(QStringLiteral("winfun"));
    auto declarations = db->openRecordset(QStringLiteral("funclass"));
    const auto names = functions->column(QStringLiteral("函数"));
    std::printf("open both tables and read %lld names: %.2f ms\n", static_cast<long long>(names.size()),
                double(open.nsecsElapsed()) / 1e6);

    tamsel::ApiReference reference(*functions, *declarations);
    const QList<qint64> bookmarks = functions->bookmarks();
    for (int position : {0, kFunctions / 2, kFunctions - 1}) {
        QElapsedTimer timer;
        timer.start();
        qsizetype length = 0;
        for (int i = 0; i < kClicks; ++i) {
            const auto text = reference.select(bookmarks[position]);
            const auto details = tamsel::composeApiDetails(reference.pairedDeclaration(), text);
            length += details ? details->size() : 0;
        }
        std::printf("click on function %5d: %7.1f us per click (%lld characters)\n", position,
                    double(timer.nsecsElapsed()) / 1e3 / kClicks, static_cast<long long>(length / kClicks));
    }
    return 0;
}
