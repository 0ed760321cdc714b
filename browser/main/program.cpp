#include "program.h"

#include "application.h"
#include "error.h"
#include "form1.h"
#include "processstarter.h"
#include "registry.h"
#include "windowframe.h"

#include <QFileInfo>
#include <QIcon>

#include <optional>

namespace tamsel {

int runProgram(int &argc, char **argv, const std::function<void(Form1 &)> &started)
{
    common::Application app(argc, argv, QStringLiteral("Tamsel"));
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/tamsel.ico")));
    app.setDesktopFileName(QStringLiteral("io.github.tamsel.Tamsel"));
    common::MessageBoxMessenger messenger;
    common::DetachedProcessStarter starter;
#ifdef Q_OS_WIN
    WindowsRegistry registry;
#else
    LinuxRegistry registry;
#endif
    std::optional<common::ProgramFolder> folder;
    try {
        folder = common::ProgramFolder::ofRunningProgram();
    } catch (const common::Error &error) {
        common::Application::fail(error);
    }
    Form1 form(*folder,
               {messenger, starter, registry, [](const QString &path) { return QFileInfo(path).isFile(); }});
    form.readRecordSourcesAhead();
    try {
        form.Form_Load();
    } catch (const common::Error &error) {
        common::Application::fail(error);
    }
    showMainWindow(form, started);
    return app.exec();
}

void showMainWindow(Form1 &form, const std::function<void(Form1 &)> &started)
{
    form.show();
    // The knowledge descriptions and the record sources are not on the first screen: the window
    // is shown without waiting for them, however large the knowledge base or the API table.
    common::afterFirstPaint(&form, [&form, started] {
        form.openRecordSources();
        form.loadDescriptionsInSlices([&form, started] {
            if (started)
                started(form);
        });
    });
}

} // namespace tamsel
