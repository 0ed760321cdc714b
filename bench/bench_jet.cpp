// Speed of Jet files against their targets:
//   - Tamsel's start-up as a whole process (to its main window shown and its record sources open)
//     on the Jet sample folders, at most 1.5 times its start-up on the SQLite sample folder;
//   - reading a 100,000-row Jet table whole through the record layer, at most twice the time the
//     reader program alone takes for the file.
// Each figure is the best of several runs, the runs of the things compared taking turns, so that
// other load on the machine weighs on both sides alike.
// Prints "name: value (target) ratio" per figure; exits with status 1 when a target is missed.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_jet
#include "benchcommon.h"
#include "database.h"
#include "jetbackend.h"
#include "jetwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRuns = 9;
constexpr int kRows = 100000;

// Runs every function kRuns times in turn and gives each one's best time.
QList<double> bestMs(const QList<std::function<void()>> &runs)
{
    QList<double> best(runs.size(), 1e300);
    for (int i = 0; i < kRuns; ++i) {
        for (qsizetype r = 0; r < runs.size(); ++r) {
            QElapsedTimer clock;
            clock.start();
            runs[r]();
            best[r] = std::min(best[r], double(clock.nsecsElapsed()) / 1e6);
        }
    }
    return best;
}

// Tamsel started on a program folder as a whole process, as a user starts it, to its record
// sources open (startup_child ends there): whatever the reader processes cost the start is in it.
std::function<void()> startUp(const QString &folder)
{
    return [folder] {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationDirPath() + u"/startup_child"_s, {u"tamsel"_s, folder});
        if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            std::fprintf(stderr, "tamsel did not start on %s: %s\n", qPrintable(folder),
                         child.readAllStandardError().constData());
            std::exit(2);
        }
    };
}

void report(const char *name, double value, double reference, double limit)
{
    bench::report(name, bench::ms(value) + u" vs "_s + bench::ms(reference), u"<= "_s + QString::number(limit) + u'x',
                  bench::times(value / reference), value <= limit * reference);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString build = QFileInfo(QCoreApplication::applicationDirPath()).dir().path();
    const QString reader = build + u"/program/jetread"_s;

    const QList<double> start = bestMs({startUp(build + u"/program"_s), startUp(build + u"/program-jet4"_s),
                                        startUp(build + u"/program-jet3"_s)});
    report("tamsel start-up, Jet 4 folder vs SQLite folder", start[1], start[0], 1.5);
    report("tamsel start-up, Jet 3 folder vs SQLite folder", start[2], start[0], 1.5);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"big.mdb"_s);
    jetfixture::JetTable table;
    table.data = {u"大表"_s, {u"编号"_s, u"标题"_s, u"内容"_s}, {}};
    for (int i = 0; i < kRows; ++i) {
        table.data.rows.append({QString::number(i), u"第%1条 记录的标题"_s.arg(i),
                                u"这是第%1条记录的内容，用来衡量读取速度。Dim x As Long"_s.arg(i)});
    }
    if (!jetfixture::writeJetFile(path, {table}, {})) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 2;
    }
    qsizetype values = 0;
    const QList<double> big = bestMs({[&] {
                                          QProcess process;
                                          process.setStandardOutputFile(QProcess::nullDevice());
                                          process.start(reader, {path});
                                          process.waitForFinished(-1);
                                      },
                                      [&] {
                                          common::JetBackend::setReaderPath(reader);
                                          const auto db = common::Database::open(path, common::Database::Access::ReadOnly);
                                          const auto rs = db->openRecordset(u"大表"_s);
                                          for (const QString &field : table.data.fields)
                                              values += rs->column(field).size();
                                      }});
    const double alone = big[0], layer = big[1];
    if (values != qsizetype(kRuns) * kRows * 3)
        std::fprintf(stderr, "read %lld values\n", static_cast<long long>(values));
    report("100,000-row Jet table through the record layer vs jetread alone", layer, alone, 2.0);
    return bench::exitStatus();
}
