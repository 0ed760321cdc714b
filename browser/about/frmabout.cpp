#include "frmabout.h"

#include "messenger.h"
#include "sysinfo.h"
#include "twips.h"
#include "windowframe.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace tamsel {

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &text = QString())
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

QFrame *makeLine(QWidget *parent, const char *name, int x1, int x2, int y, int thickness, const QColor &colour)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setGeometry(common::fromTwips(x1), common::fromTwips(y), common::fromTwips(x2) - common::fromTwips(x1),
                      thickness);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

} // namespace

QString FrmAbout::applicationTitle()
{
    return QStringLiteral(TAMSEL_TITLE);
}

QString FrmAbout::applicationVersion()
{
    return versionText(TAMSEL_VERSION_MAJOR, TAMSEL_VERSION_MINOR, TAMSEL_VERSION_PATCH);
}

FrmAbout::FrmAbout(Registry &registry, common::ProcessStarter &starter, common::Messenger &messenger,
                   std::function<bool(const QString &)> fileExists, std::function<void()> onUnload)
    : m_registry(registry)
    , m_starter(starter)
    , m_messenger(messenger)
    , m_fileExists(std::move(fileExists))
    , m_onUnload(std::move(onUnload))
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | common::kFixedFrame);
    setFixedSize(common::twipsSize(5730, 3555));

    auto *picIcon = makeLabel(this, "picIcon", common::twipsRect(240, 240, 780, 780));
    picIcon->setPixmap(QPixmap(QStringLiteral(":/about/picture.jpg")));
    picIcon->setScaledContents(true);
    picIcon->setAccessibleName(QStringLiteral("Tamsel 的图标"));
    m_lblTitle = makeLabel(this, "lblTitle", common::twipsRect(1050, 240, 3885, 480));
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);
    m_lblVersion = makeLabel(this, "lblVersion", common::twipsRect(1050, 780, 3885, 225));
    makeLabel(this, "lblDescription", common::twipsRect(1050, 1125, 3885, 1170),
              QStringLiteral("联系方式：\nE-mail:\nOICQ:"));
    makeLine(this, "Line1_1", 90, 5654, 2445, 1, QColor(128, 128, 128));
    makeLine(this, "Line1_0", 105, 5654, 2460, 2, Qt::white);
    makeLabel(this, "lblDisclaimer", common::twipsRect(255, 2625, 3630, 825),
              QStringLiteral("    本人水平有限，如果对软件有什么意见可与我联系，希望大家提出保贵意见。"));

    auto *cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(common::twipsRect(4125, 2625, 1500, 345));
    cmdOK->setDefault(true);
    auto *cmdSysInfo = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(common::twipsRect(4140, 3075, 1485, 345));
    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &FrmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &FrmAbout::cmdSysInfo_Click);

    Form_Load();
    common::centreByFrame(this);
}

void FrmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("关于 ") + applicationTitle());
    m_lblVersion->setText(applicationVersion());
    m_lblTitle->setText(applicationTitle());
}

void FrmAbout::cmdOK_Click()
{
    close();
}

void FrmAbout::reject()
{
    cmdOK_Click();
}

void FrmAbout::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_onUnload) {
        // Runs once, however the box is closed, so the main window is never left disabled.
        auto onUnload = std::exchange(m_onUnload, nullptr);
        onUnload();
    }
}

void FrmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void FrmAbout::StartSysInfo()
{
    SysInfoLauncher launcher(m_registry, m_starter, m_fileExists);
    bool started = false;
    try {
        started = launcher.start();
    } catch (...) {
        started = false;
    }
    if (!started)
        m_messenger.showMessage(applicationTitle(), QStringLiteral("此时系统信息不可用"));
}

} // namespace tamsel
