// Time to open a 64 MB article and a 1 MB line without breaks in the reading window.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_article
#include "articlereader.h"
#include "form3.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

static QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

static void measure(const char *label, const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    const QString text = tamsel::readArticle(path);
    const double read = double(timer.nsecsElapsed()) / 1e6;
    tamsel::Form3 window;
    window.show();
    timer.restart();
    window.setArticleText(text);
    QCoreApplication::processEvents();
    const double shown = double(timer.nsecsElapsed()) / 1e6;
    // While the rest arrives, the longest wait of the event loop is what a user would feel.
    double longestEvent = 0;
    while (window.isLoading()) {
        QElapsedTimer step;
        step.start();
        QCoreApplication::processEvents();
        longestEvent = std::max(longestEvent, double(step.nsecsElapsed()) / 1e6);
    }
    const double complete = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    window.textBox()->moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
    const double end = double(timer.nsecsElapsed()) / 1e6;
    std::printf("%s\n  read and decode %.0f ms, first screen %.0f ms, all loaded %.0f ms "
                "(longest pause between events %.0f ms), jump to the end %.0f ms\n",
                label, read, shown, complete, longestEvent, end);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    // A line of 40 GBK characters ("学习VB" repeated) and CR LF: about 1.6 million lines in 64 MB.
    QByteArray line;
    for (int i = 0; i < 10; ++i)
        line += "\xD1\xA7\xCF\xB0VB\xB1\xE0\xB3\xCC";
    line += "\r\n";
    QByteArray big;
    big.reserve(64 << 20);
    while (big.size() + line.size() <= (64 << 20))
        big += line;
    measure("64 MB, 1.6 million lines:", writeFile(dir, "big.txt", big));
    measure("1 MB in one line:", writeFile(dir, "line.txt", QByteArray(1 << 20, 'x')));
    return 0;
}
