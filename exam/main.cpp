#include "application.h"
#include "error.h"
#include "form1.h"
#include "programfolder.h"

#include <QIcon>

int main(int argc, char **argv)
{
    common::Application app(argc, argv, QStringLiteral("Quorvi"));
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/quorvi.ico")));
    app.setDesktopFileName(QStringLiteral("io.github.tamsel.Quorvi"));
    try {
        quorvi::Form1 form(common::ProgramFolder::ofRunningProgram());
        form.show();
        if (!form.bankNotice().isEmpty())
            common::MessageBoxMessenger().showMessage(QStringLiteral("Quorvi"), form.bankNotice());
        return app.exec();
    } catch (const common::Error &error) {
        common::Application::fail(error);
    } catch (const std::exception &error) {
        common::Application::fail(error);
    }
}
