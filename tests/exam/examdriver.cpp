// Drives a real exam window in a process of its own, as a user's clicks would, so that tests can
// kill it or run several at once. Usage:
//   exam_driver FOLDER answer STEPS BUTTON   step forward STEPS times, choose BUTTON, print
//                                            "stored" and wait to be killed
//   exam_driver FOLDER sweep PARITY          walk every question; answer those whose position has
//                                            this parity with the letter of position % 4
#include "error.h"
#include "exam/form1.h"
#include "programfolder.h"

#include <QAbstractButton>
#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 64;
    try {
        quorvi::Form1 form{common::ProgramFolder(args[1])};
        const auto button = [&form](const QString &name) {
            auto *found = form.findChild<QAbstractButton *>(name);
            if (!found)
                std::exit(65);
            return found;
        };
        const auto option = [&](int index) { return button(QStringLiteral("Option1_%1").arg(index)); };
        QAbstractButton *next = button(QStringLiteral("Command3"));

        if (args[2] == u"answer" && args.size() == 5) {
            for (int step = args[3].toInt(); step > 0; --step)
                next->click();
            option(args[4].toInt())->click();
            std::fputs("stored\n", stdout);
            std::fflush(stdout);
            return app.exec();
        }
        if (args[2] == u"sweep") {
            const int parity = args[3].toInt();
            for (int position = 0;; ++position) {
                if (position % 2 == parity)
                    option(position % 4)->click();
                next->click();
                if (!next->isEnabled())
                    break;
            }
            return 0;
        }
        return 64;
    } catch (const common::Error &error) {
        std::fprintf(stderr, "%d %s\n", error.number(), error.text().toUtf8().constData());
        return 3;
    }
}
