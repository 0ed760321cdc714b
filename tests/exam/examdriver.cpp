// Drives a real exam window in a process of its own, as a user's clicks would, so that tests can
// kill it or run several at once. Usage:
//   exam_driver FOLDER answer STEPS BUTTON   step forward STEPS times, choose BUTTON, print
//                                            "stored" and wait to be killed
//   exam_driver FOLDER storm WRITER WRITERS SEED
//                                            print "ready", then answer the questions whose
//                                            position % WRITERS is WRITER with random letters until
//                                            killed: "answering POSITION LETTER" before each click,
//                                            "stored" once the click has returned, then pause
//   exam_driver FOLDER sweep PARITY          walk every question; answer those whose position has
//                                            this parity with the letter of position % 4
#include "error.h"
#include "exam/form1.h"
#include "programfolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QRandomGenerator>
#include <QThread>

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
        if (args[2] == u"storm" && args.size() == 6) {
            const int writer = args[3].toInt();
            const int writers = args[4].toInt();
            QRandomGenerator generator(args[5].toUInt());
            QAbstractButton *previous = button(QStringLiteral("Command2"));
            int count = 1;
            while (next->isEnabled()) {
                next->click();
                count += next->isEnabled() ? 1 : 0;
            }
            int current = count - 1;
            const int owned = (count - writer + writers - 1) / writers;
            if (owned <= 0)
                return 64;
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
            for (;;) {
                const int target = writer + writers * int(generator.bounded(owned));
                for (; current < target; ++current)
                    next->click();
                for (; current > target; --current)
                    previous->click();
                const int letter = int(generator.bounded(4));
                std::printf("answering %d %c\n", target, 'A' + letter);
                std::fflush(stdout);
                option(letter)->click();
                std::fputs("stored\n", stdout);
                std::fflush(stdout);
                // A pause as between a person's clicks: saving without one, four windows would
                // keep the file locked so constantly that a window opening it waits in vain.
                QThread::msleep(5 + generator.bounded(15));
            }
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
