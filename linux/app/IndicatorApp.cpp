#include "linux/app/IndicatorApp.h"

#include "core/Commands.h"
#include "core/ImePoller.h"
#include "core/LedPort.h"
#include "core/Platform.h"
#include "core/PortWatch.h"
#include "core/Settings.h"
#include "core/Texts.h"
#include "linux/app/AboutDlg.h"
#include "linux/app/MessageBox.h"
#include "linux/app/PortDlg.h"
#include "linux/app/SettingDlg.h"
#include "linux/system/CaretLamp.h"
#include "linux/system/DBus.h"
#include "linux/system/SerialPort.h"
#include "linux/system/Session.h"
#include "version.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

// The session-wide name that marks the running instance, and the object that answers there, at
// the path the freedesktop.org application interface derives from the name.
const QString kInstanceName = QStringLiteral(LUMIDOT_APP_ID);
const QString kInstancePath =
    QStringLiteral("/") + QString(kInstanceName).replace(QLatin1Char('.'), QLatin1Char('/'));
const QString kInstanceInterface = QStringLiteral("org.freedesktop.Application");

}  // namespace

IndicatorApp::IndicatorApp(QObject *parent)
    : QObject(parent), m_ime(this), m_devices(this), m_logind(this), m_pollTimer(this),
      m_tray(&m_menu, this)
{
    for (const texts::MenuItem &item : texts::kTrayMenu) {
        if (item.command == texts::MenuCommand::None) {
            m_menu.addSeparator();
            continue;
        }
        QAction *action = m_menu.addAction(uiText(item.pszLabel));
        if (item.command == texts::MenuCommand::Connect)
            m_connectAction = action;
        const Command command = CommandOf(item.command);
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
    connect(&m_tray, &TrayIcon::missing, this, &IndicatorApp::showNoTrayNotice);
    connect(&m_logind, &Logind::woke, this, &IndicatorApp::onWake);
    connect(&m_logind, &Logind::activeChanged, this, &IndicatorApp::onSessionActive);
}

IndicatorApp::~IndicatorApp()
{
    m_lifecycle.ShutDown();
    delete m_noTrayNotice;
}

bool IndicatorApp::start()
{
    if (!m_lifecycle.StartUp())
        return false;
    // A port that did not open at start-up is said once, beside the lamp and on stderr: nobody
    // is there to answer a box at login.
    if (g_nAutoConnect == 1 && !sys::IsLedPortOpen() && !ConfiguredPort().empty()) {
        const QString text = QString::fromStdWString(PortOpenFailedText());
        std::fprintf(stderr, "%s: %s: %s\n", qPrintable(QApplication::applicationName()),
                     qPrintable(QString::fromStdWString(ConfiguredPort())),
                     qPrintable(QString(text).replace(QLatin1String("\r\n"), QLatin1String(" "))));
        m_tray.notify(text);
    }
    return true;
}

void IndicatorApp::tick()
{
    if (m_lifecycle.IsRunning())
        PollImeStatus();
}

void IndicatorApp::onWake()
{
    if (m_lifecycle.IsRunning())
        OnResumeFromSleep();
}

void IndicatorApp::onSessionActive(bool active)
{
    if (m_lifecycle.IsRunning())
        OnSessionActive(active);
}

void IndicatorApp::Activate(const QVariantMap &)
{
    if (m_lifecycle.IsRunning() && !m_tray.isShown())
        showNoTrayNotice();
}

void IndicatorApp::showNoTrayNotice()
{
    const QString text =
        uiText("通知領域が見つからないため、ランプを表示できません。\n"
               "StatusNotifierItem のトレイ (D-Bus の org.kde.StatusNotifierWatcher) も XEmbed "
               "のトレイも動いていません。\n"
               "LED は入力メソッドに従い続け、トレイが現れればランプも表示されます。");
    std::fprintf(stderr, "%s: %s\n", qPrintable(QApplication::applicationName()),
                 qPrintable(text.simplified()));
    if (m_noTrayNotice) {
        m_noTrayNotice->raise();
        m_noTrayNotice->activateWindow();
        return;
    }
    // Not modal: the program goes on while it shows, and a later start only raises it.
    auto *box = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(), text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *settings = box->addButton(uiText(texts::MenuLabel(texts::MenuCommand::Setting)),
                                           QMessageBox::ActionRole);
    QPushButton *exit = box->addButton(uiText(texts::MenuLabel(texts::MenuCommand::Exit)),
                                       QMessageBox::DestructiveRole);
    box->setDefaultButton(box->addButton(uiText(texts::kOk), QMessageBox::AcceptRole));
    connect(box, &QMessageBox::buttonClicked, this,
            [this, settings, exit](QAbstractButton *button) {
                const Command command = button == settings ? SettingCommand
                                        : button == exit   ? ExitCommand
                                                           : nullptr;
                // Once the box has closed: the command's dialog waits for the user.
                if (command != nullptr)
                    QMetaObject::invokeMethod(
                        this, [this, command] { runCommand(command); }, Qt::QueuedConnection);
            });
    m_noTrayNotice = box;
    box->show();
}

void IndicatorApp::updateMenu()
{
    m_connectAction->setText(QString::fromStdWString(ConnectMenuLabel()));
}

void IndicatorApp::runCommand(Command command)
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
    if (!canShowCaretLamp())
        dialog.showCaretLampUnavailable();
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

bool IndicatorApp::ClaimInstance()
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (claimInstanceName(kInstanceName)) {
        session.registerObject(kInstancePath, this, QDBusConnection::ExportScriptableSlots);
        return true;
    }
    // Another instance runs: it hears of this start, which ends here.
    QDBusMessage activate = QDBusMessage::createMethodCall(
        kInstanceName, kInstancePath, kInstanceInterface, QStringLiteral("Activate"));
    activate << QVariantMap();
    session.call(activate, QDBus::Block, kBusAnswerTimeoutMs);
    return false;
}

void IndicatorApp::ReleaseInstance()
{
    QDBusConnection::sessionBus().unregisterObject(kInstancePath);
    releaseInstanceName(kInstanceName);
}

void IndicatorApp::AddTrayIcon() { m_tray.add(); }

void IndicatorApp::RemoveTrayIcon() { m_tray.remove(); }
