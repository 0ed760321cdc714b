// Start-up of Tamsel and Quorvi to their window painted, against a bare Qt Widgets program (a
// main window with a menu bar and a tree) with the same Qt and the same fonts. Whole processes.
// Run: bench/run.sh, or build/bench/bench_startup
#include "benchcommon.h"

#include <QCoreApplication>
#include <QHash>
#include <QProcess>

#include <cstdio>

namespace {

struct Start
{
    double cpu = 0;  // the child's own CPU time up to its first paint
    double wall = 0; // from starting the process to its end right after the paint
    QHash<QString, double> phases;
};

Start startOnce(const QString &kind, const QString &folder)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    const double wall0 = bench::wallMs();
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/startup_child"), {kind, folder});
    child.waitForFinished(60000);
    Start start;
    start.wall = bench::wallMs() - wall0;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2)
            continue;
        if (words[0] == "painted")
            start.cpu = words[1].toDouble();
        else if (words[0] == "opened")
            start.phases[QStringLiteral("sources")] = words[1].toDouble() - start.cpu;
        else
            start.phases[QString::fromLatin1(words[0])] = words[1].toDouble();
    }
    if (start.cpu == 0) {
        std::fprintf(stderr, "%s did not paint its window: %s\n", qPrintable(kind),
                     child.readAllStandardError().constData());
        std::exit(2);
    }
    return start;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    bench::ProgramCopy folder;
    const QStringList kinds{QStringLiteral("bare"), QStringLiteral("tamsel"), QStringLiteral("quorvi"),
                            QStringLiteral("texts")};
    QHash<QString, std::vector<double>> cpu, wall;
    QHash<QString, std::vector<double>> phases;
    startOnce(QStringLiteral("bare"), folder.path()); // fonts and libraries into the page cache
    for (int run = 0; run < 9; ++run) {
        for (const QString &kind : kinds) {
            const Start start = startOnce(kind, folder.path());
            cpu[kind].push_back(start.cpu);
            wall[kind].push_back(start.wall);
            for (auto it = start.phases.cbegin(); it != start.phases.cend(); ++it)
                phases[it.key()].push_back(it.value());
        }
    }
    const double bare = bench::median(cpu[kinds[0]]);
    const auto compare = [&](const QString &kind, const QString &with, const QString &withName) {
        const double own = bench::median(cpu[kind]), other = bench::median(cpu[with]);
        const QByteArray name = "start-up to window painted, " + kind.toLatin1() + " vs " + withName.toLatin1();
        bench::report(name.constData(),
                      bench::ms(own) + QStringLiteral(" vs ") + bench::ms(other) + QStringLiteral(" CPU, ")
                          + bench::ms(bench::median(wall[kind])) + QStringLiteral(" vs ")
                          + bench::ms(bench::median(wall[with])) + QStringLiteral(" wall"),
                      QStringLiteral("<= 1.25x"), bench::times(own / other), own <= 1.25 * other);
    };
    // What the first screen's Chinese texts cost any window: glyphs are shaped and drawn once
    // each, and Tamsel shows about a hundred different ones. Tamsel is judged against a bare
    // window showing the same texts, Quorvi against the bare window.
    const double texts = bench::median(cpu[kinds[3]]);
    bench::note("start-up to window painted, bare Qt showing tamsel's texts",
                bench::ms(texts) + QStringLiteral(" CPU, ") + bench::times(texts / bare) + QStringLiteral(" bare Qt"));
    compare(kinds[1], kinds[3], QStringLiteral("bare Qt showing its texts"));
    compare(kinds[2], kinds[0], QStringLiteral("bare Qt"));
    bench::note("tamsel start-up phases",
                QStringLiteral("main window and pictures %1, knowledge titles and tree %2; after the paint, "
                               "descriptions and record sources %3")
                    .arg(bench::ms(bench::median(phases[QStringLiteral("widgets")])),
                         bench::ms(bench::median(phases[QStringLiteral("knowledge")])),
                         bench::ms(bench::median(phases[QStringLiteral("sources")]))));

    // A user's own knowledge base may be large: the same start on ten tables of 100 entries and
    // on ten tables of 10,000.
    bench::ProgramCopy small, large;
    bench::writeKnowledgeBase(small.path(QStringLiteral("vb.MDB")), 10, 100);
    bench::writeKnowledgeBase(large.path(QStringLiteral("vb.MDB")), 10, 10000);
    std::vector<double> smallCpu, largeCpu, largeAfter, largeBlocked;
    for (int run = 0; run < 5; ++run) {
        smallCpu.push_back(startOnce(kinds[1], small.path()).cpu);
        const Start start = startOnce(kinds[1], large.path());
        largeCpu.push_back(start.cpu);
        largeAfter.push_back(start.phases.value(QStringLiteral("sources")));
        largeBlocked.push_back(start.phases.value(QStringLiteral("blocked")));
    }
    const double one = bench::median(smallCpu), hundred = bench::median(largeCpu);
    bench::report("start-up to window painted, 100,000 vs 1,000 knowledge entries",
                  bench::ms(hundred) + QStringLiteral(" vs ") + bench::ms(one) + QStringLiteral(" CPU"),
                  QStringLiteral("<= 5x"), bench::times(hundred / one), hundred <= 5 * one);
    bench::note("100,000 knowledge entries, after the paint: descriptions and record sources",
                bench::ms(bench::median(largeAfter)));
    // Meanwhile the window answers: the descriptions are read a part at a time.
    const double blocked = bench::median(largeBlocked);
    bench::report("100,000 knowledge entries, after the paint: longest time the window does not answer",
                  bench::ms(blocked), QStringLiteral("<= 30 ms"), bench::times(blocked / 30), blocked <= 30);
    return bench::exitStatus();
}
