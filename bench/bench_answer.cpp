// Storing one answer in Quorvi (a real click on an answer button of its window, offscreen) against
// the sqlite3 command doing the same UPDATE with the same durability (rollback journal, full sync).
// Run: bench/run.sh, or QT_QPA_PLATFORM=offscreen build/bench/bench_answer
#include "benchcommon.h"

#include "../exam/form1.h"
#include "programfolder.h"

#include <QApplication>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kAnswers = 20;

// Wall-clock time per answer: the cost is the disk's sync, which CPU time does not show.
double quorviPerAnswer(const QString &folder)
{
    quorvi::Form1 form{common::ProgramFolder(folder)};
    form.show();
    QCoreApplication::processEvents();
    QList<QRadioButton *> buttons;
    for (int i = 0; i < 4; ++i)
        buttons.append(form.findChild<QRadioButton *>(QStringLiteral("Option1_%1").arg(i)));
    bench::Stopwatch watch;
    for (int i = 0; i < kAnswers; ++i) {
        QRadioButton *button = buttons[i % 4];
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    return watch.wall() / kAnswers;
}

double sqlitePerAnswer(const QString &program, const QString &bank)
{
    QByteArray script = "PRAGMA journal_mode = DELETE;\nPRAGMA synchronous = FULL;\n";
    for (int i = 0; i < kAnswers; ++i)
        script += "UPDATE \"第一套题\" SET \"用户答案\" = '" + QByteArray(1, char('A' + i % 4))
            + "' WHERE rowid = (SELECT min(rowid) FROM \"第一套题\");\n";
    QProcess sqlite;
    bench::Stopwatch watch;
    sqlite.start(program, {QStringLiteral("-batch"), bank});
    sqlite.write(script);
    sqlite.closeWriteChannel();
    sqlite.waitForFinished(60000);
    return watch.wall() / kAnswers;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite.isEmpty()) {
        bench::skip("storing one answer, quorvi vs sqlite3", "the sqlite3 command is not installed (apt-get install sqlite3)");
        return 0;
    }
    bench::ProgramCopy folder;
    std::vector<double> quorvi, reference;
    for (int run = 0; run < 7; ++run) { // alternating: the disk is shared
        quorvi.push_back(quorviPerAnswer(folder.path()));
        reference.push_back(sqlitePerAnswer(sqlite, folder.path(QStringLiteral("shiti.mdb"))));
    }
    const double own = bench::median(quorvi), other = bench::median(reference);
    bench::report("storing one answer, quorvi vs sqlite3",
                  bench::ms(own) + QStringLiteral(" vs ") + bench::ms(other) + QStringLiteral(" wall"),
                  QStringLiteral("<= 1.5x"), bench::times(own / other), own <= 1.5 * other);
    return bench::exitStatus();
}
