#pragma once

// Tamsel's main window on a program folder, started as the program starts it, with the world
// outside (message boxes, process start, registry) replaced by quiet stand-ins.

#include "error.h"
#include "../browser/main/form1.h"
#include "messenger.h"
#include "processstarter.h"
#include "registry.h"

#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace bench {

class PrintingMessenger : public common::Messenger
{
public:
    void showError(const common::Error &error) override
    {
        std::fprintf(stderr, "error %d: %s\n", error.number(), qPrintable(error.text()));
    }
    void showMessage(const QString &, const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
};

class NoStarter : public common::ProcessStarter
{
public:
    bool start(const QString &) override { return false; }
};

struct TamselWindow
{
    explicit TamselWindow(const QString &folder, bool openSources = true)
    {
        form = std::make_unique<tamsel::Form1>(
            common::ProgramFolder(folder),
            tamsel::Form1Services{messenger, starter, registry,
                                  [](const QString &path) { return QFileInfo(path).isFile(); }});
        form->Form_Load();
        form->show();
        if (openSources)
            form->openRecordSources();
    }

    PrintingMessenger messenger; // declared before the window, which holds references to them
    NoStarter starter;
    tamsel::MemoryRegistry registry;
    std::unique_ptr<tamsel::Form1> form;
};

} // namespace bench
