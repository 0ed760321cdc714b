// One program start, as the bench_startup driver runs it: "bare" (a plain Qt Widgets main window
// with a menu bar and a tree), "texts" (the same showing the texts of Tamsel's first screen),
// "tamsel" or "quorvi" on the program folder given. Prints the
// process's CPU time when the window has first been painted (for Tamsel also when its record
// sources, opened after that paint, are open), then ends.
#include "application.h"
#include "jetbackend.h"

#include "tamselwindow.h"
#include "windowframe.h"

#include "../exam/form1.h"
#include "../browser/main/program.h"

#include <QBoxLayout>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QMenuBar>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3);
}

// Prints the CPU time once `window`'s first paint is done, and ends the program there when `end`
// holds. Asked for after the program has queued its own work behind that paint, the report still
// comes first: the observer added last sees the paint first.
void reportPainted(QWidget &window, bool end)
{
    common::afterFirstPaint(&window, [end] {
        std::printf("painted %.2f\n", cpuMs());
        std::fflush(stdout);
        if (end)
            std::_Exit(0);
    }, 60000);
}

// Shows a window whose first paint ends the program, and runs the event loop.
int showUntilPainted(QWidget &window)
{
    reportPainted(window, true);
    window.show();
    return QApplication::exec();
}

void phase(const char *name, double &since)
{
    const double now = cpuMs();
    std::printf("%s %.2f\n", name, now - since);
    since = now;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    const QByteArray kind = argv[1];
    common::Application app(argc, argv, QStringLiteral("Start"));
    double since = cpuMs();
    if (kind == "bare") {
        QMainWindow window;
        for (const char *menu : {"File", "Edit", "View", "Help"})
            window.menuBar()->addMenu(QString::fromLatin1(menu))->addAction(QStringLiteral("Item"));
        auto *tree = new QTreeWidget(&window);
        tree->setHeaderHidden(true);
        for (int i = 0; i < 10; ++i)
            new QTreeWidgetItem(tree, {QStringLiteral("节点%1").arg(i)});
        window.setCentralWidget(tree);
        window.resize(753, 553);
        return showUntilPainted(window);
    }
    if (kind == "texts") {
        // The bare window again, now showing the texts of Tamsel's first screen: its menus, the
        // captions of its toolbar, the sections of the sample knowledge base, a titled frame with
        // a text box, and its status bar. No pictures, no data.
        QMainWindow window;
        for (const char16_t *menu : {u"文件", u"编辑", u"内容", u"帮助"})
            window.menuBar()->addMenu(QString::fromUtf16(menu))->addAction(QStringLiteral("Item"));
        QToolBar *toolbar = window.addToolBar(QString());
        toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        for (const char16_t *caption : {u"VB基础", u"VB实例", u"API函数", u"VB技巧", u"考试中心"})
            toolbar->addAction(QString::fromUtf16(caption));
        auto *client = new QWidget(&window);
        auto *layout = new QHBoxLayout(client);
        auto *tree = new QTreeWidget(client);
        tree->setHeaderHidden(true);
        for (const char16_t *section : {u"程序入门", u"数据类型", u"运算符号", u"流程控制", u"过程函数", u"数组集合",
                                        u"窗体控件", u"文件操作", u"错误处理", u"数据访问", u"类与对象", u"系统接口"})
            new QTreeWidgetItem(tree, {QString::fromUtf16(section)});
        layout->addWidget(tree, 1);
        auto *frame = new QGroupBox(QStringLiteral("详细说明"), client);
        (new QVBoxLayout(frame))->addWidget(new QPlainTextEdit(frame));
        layout->addWidget(frame, 3);
        window.setCentralWidget(client);
        for (const char16_t *text : {u"Visual Basic 学习与参考：知识、实例、技巧、API", u"单击左边的目录查看内容，用工具栏切换浏览方式",
                                     u"祝学习愉快"})
            window.statusBar()->addWidget(new QLabel(QString::fromUtf16(text)));
        window.resize(753, 553);
        return showUntilPainted(window);
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    if (kind == "tamsel") {
        bench::PrintingMessenger messenger;
        bench::NoStarter starter;
        tamsel::MemoryRegistry registry;
        // As the program does: its reader is the one in its folder, read ahead before Form_Load.
        common::JetBackend::setReaderPath(folder + QStringLiteral("/jetread"));
        tamsel::Form1 form(common::ProgramFolder(folder),
                           {messenger, starter, registry, [](const QString &path) { return QFileInfo(path).isFile(); }});
        phase("widgets", since);
        form.readRecordSourcesAhead();
        form.Form_Load();
        phase("knowledge", since);
        // How long the window goes without answering once it is painted: the longest time
        // between two turns of the event loop.
        QElapsedTimer turn;
        double longest = 0;
        QTimer answering;
        QObject::connect(&answering, &QTimer::timeout, [&] {
            longest = std::max(longest, turn.nsecsElapsed() / 1e6);
            turn.start();
        });
        // As the program shows its window: the record sources are opened after the first paint.
        tamsel::showMainWindow(form, [&](tamsel::Form1 &) {
            std::printf("blocked %.2f\n", std::max(longest, turn.nsecsElapsed() / 1e6));
            std::printf("opened %.2f\n", cpuMs());
            std::fflush(stdout);
            std::_Exit(0);
        });
        // Added after the program's own, so it sees the paint before that work starts.
        common::afterFirstPaint(&form, [&] {
            turn.start();
            answering.start(0);
        }, 60000);
        reportPainted(form, false);
        return app.exec();
    }
    quorvi::Form1 form{common::ProgramFolder(folder)};
    return showUntilPainted(form);
}
