#include "application.h"

#include "error.h"

#include <QAccessibleWidget>
#include <QDialog>
#include <QFont>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace common {

namespace {

bool isHeadless()
{
    const QString platform = QGuiApplication::platformName();
    return platform == u"offscreen" || platform == u"minimal";
}

void writeToStandardError(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString errorText(const Error &error)
{
    return QStringLiteral("错误 %1：%2").arg(error.number()).arg(error.text());
}

// A window of the programs built on a plain widget is a frame to a screen reader, named by its
// caption, not a filler. Asked for the most derived class first, before Qt's own interfaces.
QAccessibleInterface *windowInterface(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || !widget->isWindow() || widget->windowType() != Qt::Window
        || className != QLatin1StringView(object->metaObject()->className())
        || qobject_cast<QMainWindow *>(widget) || qobject_cast<QDialog *>(widget)
        || !className.contains(u"::"))
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void MessageBoxMessenger::showError(const Error &error)
{
    const QString text = errorText(error);
    if (isHeadless())
        writeToStandardError(text);
    else
        QMessageBox::critical(nullptr, QCoreApplication::applicationName(), text, QMessageBox::Ok);
}

void MessageBoxMessenger::showMessage(const QString &caption, const QString &text)
{
    if (isHeadless())
        writeToStandardError(text);
    else
        QMessageBox::information(nullptr, caption, text, QMessageBox::Ok);
}

Application::Application(int &argc, char **argv, const QString &name)
    : QApplication(argc, argv)
{
    setApplicationName(name);
    // Chinese must render the same whatever the locale and the desktop's font settings.
    QFont font(QStringLiteral("Noto Sans CJK SC"), 9);
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun")});
    setFont(font);

    // Qt's own texts (dialog buttons, context menus, key names) in Chinese; without the
    // translation files they stay in English and the program runs as before.
    auto *translator = new QTranslator(this);
    if (translator->load(QStringLiteral("qt_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    else
        delete translator;
    QAccessible::installFactory(windowInterface);
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error &error) {
        fail(error);
    } catch (const std::exception &error) {
        fail(error);
    }
}

void Application::fail(const Error &error)
{
    MessageBoxMessenger().showError(error);
    std::_Exit(1);
}

void Application::fail(const std::exception &error)
{
    fail(Error(0, QString::fromUtf8(error.what())));
}

} // namespace common
