#pragma once

#include "messenger.h"

#include <QApplication>

namespace common {

class Error;

// Message boxes with the error's number and text. On a headless platform (offscreen, minimal),
// where no one could answer a box, the text goes to standard error instead.
class MessageBoxMessenger : public Messenger
{
public:
    void showError(const Error &error) override;
    void showMessage(const QString &caption, const QString &text) override;
};

// The application object of both programs. An error that escapes any event handler is shown
// with its number and text, and the program then ends with status 1.
class Application : public QApplication
{
public:
    Application(int &argc, char **argv, const QString &name);

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the error and ends the process with status 1.
    [[noreturn]] static void fail(const Error &error);
    [[noreturn]] static void fail(const std::exception &error);
};

} // namespace common
