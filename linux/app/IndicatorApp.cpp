#include "linux/app/IndicatorApp.h"

#include "core/Commands.h"
#include "core/ImePoller.h"
#include "core/Platform.h"
#include "core/PortWatch.h"
#include "core/Settings.h"
#include "core/Texts.h"
#include "linux/app/AboutDlg.h"
#include "linux/app/MessageBox.h"
#include "linux/app/PortDlg.h"
#include "linux/app/SettingDlg.h"
#include "linux/system/SerialPort.h"
#include "linux/system/Session.h"
#include "version.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace {

// The session-wide name that marks the running instance.
const QString kInstanceName = QStringLiteral(LUMIDOT_APP_ID);

}  // namespace

IndicatorApp::IndicatorApp(QObject *parent)
    : QObject(parent), m_ime(this), m_devices(this), m_pollTimer(this), m_tray(&m_menu, this)
{
    for (const texts::MenuItem &item : texts::kTrayMenu) {
        if (item.command == texts::MenuCommand::None) {
            m_menu.addSeparator();
            continue;
        }
        QAction *action = m_menu.addAction(uiText(item.pszLabel));
        void (*command)(ICommandHost &) = nullptr;
        switch (item.command) {
        case texts::MenuCommand::Connect:
            command = ConnectCommand;
            m_connectAction = action;
            break;
        case texts::MenuCommand::Setting:
            command = SettingCommand;
            break;
        case texts::MenuCommand::About:
            command = AboutCommand;
            break;
        default:
            command = ExitCommand;
            break;
        }
        // The commands run from the event loop, not inside the tray host's call that clicked
        // them: their dialogs wait for the user.
        connect(
            action, &QAction::triggered, this, [this, command] { runCommand(command); },
            Qt::QueuedConnection);
    }
    // Relabelled at every opening, as the port may have changed since.
    connect(&m_menu, &QMenu::aboutToShow, this, &IndicatorApp::updateMenu);

    connect(&m_pollTimer, &QTimer::timeout, this, &IndicatorApp::tick);
    // IBus says when its state changes: the lamp follows at once instead of at the next poll.
    connect(&m_ime, &ImeStatus::changed, this, &IndicatorApp::tick);
    connect(&m_devices, &UdevMonitor::added, this, &IndicatorApp::onDeviceAdded);
    connect(&m_devices, &UdevMonitor::removed, this, &IndicatorApp::onDeviceRemoved);
}

IndicatorApp::~IndicatorApp() { m_lifecycle.ShutDown(); }

bool IndicatorApp::start() { return m_lifecycle.StartUp(); }

void IndicatorApp::tick()
{
    if (m_lifecycle.IsRunning())
        PollImeStatus();
}

void IndicatorApp::updateMenu()
{
    m_connectAction->setText(QString::fromStdWString(ConnectMenuLabel()));
}

void IndicatorApp::runCommand(void (*command)(ICommandHost &))
{
    if (IsCommandRunning()) {
        if (QWidget *open = QApplication::activeModalWidget()) {
            open->raise();
            open->activateWindow();
        }
        return;
    }
    command(*this);
    updateMenu();
}

void IndicatorApp::onDeviceAdded(const QString &devnode, const QStringList &links)
{
    // Named as the settings name it when it is the configured device, so it can be matched.
    std::vector<std::string> linkList;
    for (const QString &link : links)
        linkList.push_back(link.toStdString());
    const std::string configured = QString::fromStdWString(ConfiguredPort()).toStdString();
    const std::string name = isSameSerialDevice(configured, devnode.toStdString(), linkList)
                                 ? configured
                                 : devnode.toStdString();
    OnPortDeviceArrived(QString::fromStdString(name).toStdWString());
}

void IndicatorApp::onDeviceRemoved(const QString &devnode, const QStringList &links)
{
    const SerialPort &led = ledPort();
    if (!led.isOpen())
        return;
    const QString openPath = QString::fromStdString(led.path());
    if (devnode.toStdString() == led.devnode() || links.contains(openPath))
        OnPortDeviceRemoved(openPath.toStdWString());
}

Answer IndicatorApp::DoPortDialog(std::wstring &strPort)
{
    PortDlg dialog(strPort);
    if (dialog.exec() != QDialog::Accepted)
        return Answer::Cancel;
    strPort = dialog.chosenPort();
    return Answer::Ok;
}

Answer IndicatorApp::DoSettingDialog(SettingChoices &choices)
{
    SettingDlg dialog(choices);
    if (!m_ime.canTellMode())
        dialog.showModeUnknown();
    if (dialog.exec() != QDialog::Accepted)
        return Answer::Cancel;
    choices = dialog.choices();
    return Answer::Ok;
}

void IndicatorApp::DoAboutDialog(const std::wstring &strText, const std::wstring &strHelpUrl)
{
    AboutDlg dialog(QString::fromStdWString(strText));
    connect(&dialog, &AboutDlg::helpPageRequested, this,
            [this, strHelpUrl] { HelpPageCommand(*this, strHelpUrl); });
    dialog.exec();
}

Answer IndicatorApp::ShowMessageBox(const std::wstring &strText, MessageKind kind)
{
    return showMessageBox(QString::fromStdWString(strText), kind);
}

void IndicatorApp::StopPollTimer() { m_pollTimer.stop(); }

void IndicatorApp::StartPollTimer(unsigned int nPeriodMs)
{
    m_pollTimer.start(static_cast<int>(std::min(nPeriodMs, 0x7FFFFFFFu)));
}

void IndicatorApp::EndProgram() { QCoreApplication::quit(); }

void IndicatorApp::OpenInBrowser(const std::wstring &strUrl)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdWString(strUrl)));
}

bool IndicatorApp::ClaimInstance() { return claimInstanceName(kInstanceName); }

void IndicatorApp::ReleaseInstance() { releaseInstanceName(kInstanceName); }

void IndicatorApp::AddTrayIcon() { m_tray.add(); }

void IndicatorApp::RemoveTrayIcon() { m_tray.remove(); }
