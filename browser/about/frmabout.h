#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace common {
class Messenger;
class ProcessStarter;
}

namespace tamsel {

class Registry;

// The About box: title, version, contact lines and the system-information button. It is loaded
// afresh at each opening and unloaded by OK, Esc or its close control, which all run `onUnload`.
class FrmAbout : public QDialog
{
    Q_OBJECT

public:
    FrmAbout(Registry &registry, common::ProcessStarter &starter, common::Messenger &messenger,
             std::function<bool(const QString &)> fileExists, std::function<void()> onUnload);

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();

    static QString applicationTitle();
    static QString applicationVersion();

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();

    Registry &m_registry;
    common::ProcessStarter &m_starter;
    common::Messenger &m_messenger;
    std::function<bool(const QString &)> m_fileExists;
    std::function<void()> m_onUnload;

    QLabel *m_lblTitle;
    QLabel *m_lblVersion;
};

} // namespace tamsel
