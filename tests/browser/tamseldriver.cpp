// Tamsel as the program runs it, worked from standard input once its window is up: it prints
// "ready", then takes one command a line: the object name of a menu item triggers that item,
// "close" closes the main window as its close box does.
#include "browser/main/form1.h"
#include "program.h"

#include <QAction>
#include <QSocketNotifier>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    return tamsel::runProgram(argc, argv, [](tamsel::Form1 &form) {
        auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &form);
        QObject::connect(input, &QSocketNotifier::activated, &form, [&form, input] {
            static QByteArray pending;
            char buffer[256];
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                input->setEnabled(false);
                return;
            }
            pending.append(buffer, got);
            for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
                const QString command = QString::fromLatin1(pending.left(end)).trimmed();
                pending.remove(0, end + 1);
                if (command == u"close")
                    form.windowHandle()->close();
                else if (auto *action = form.findChild<QAction *>(command))
                    action->trigger();
            }
        });
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
    });
}
