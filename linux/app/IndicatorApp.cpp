#include "linux/app/IndicatorApp.h"

#include "core/Commands.h"
#include "core/ImePoller.h"
#include "core/PortWatch.h"
#include "core/Platform.h"
#include "linux/system/Seam.h"
#include "linux/system/SerialPort.h"
#include "linux/app/Dialogs.h"
#include "core/Settings.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace {

// The session-wide name that marks the running instance.
const QString kInstanceName = QStringLiteral("jp.example.lumidot.Lumidot");

const char *const kLampFiles[sys::TRAY_PRESET_COUNT] = {":/icons/LampOn.ico", ":/icons/LampOff.ico",
                                                        ":/icons/LampOnNoPort.ico",
                                                        ":/icons/LampOffNoPort.ico"};
const char *const kTips[sys::TRAY_PRESET_COUNT] = {"IME ON", "IME OFF", "IME ON", "IME OFF"};

}  // namespace

LumidotApp::LumidotApp(QObject *parent)
    : QObject(parent), m_ime(this), m_devices(this), m_pollTimer(this), m_tray(this)
{
    for (int i = 0; i < sys::TRAY_PRESET_COUNT; ++i)
        m_lamps[i] = QIcon(QString::fromLatin1(kLampFiles[i]));

    // The commands run from the event loop, not inside the tray host's call that clicked them:
    // their dialogs wait for the user.
    m_connectAction = m_menu.addAction(QStringLiteral("接続(&P)"));
    connect(
        m_connectAction, &QAction::triggered, this, [this] { runCommand(ConnectCommand); },
        Qt::QueuedConnection);
    m_menu.addSeparator();
    connect(
        m_menu.addAction(QStringLiteral("設定(&S)")), &QAction::triggered, this,
        [this] { runCommand(SettingCommand); }, Qt::QueuedConnection);
    m_menu.addSeparator();
    connect(
        m_menu.addAction(QStringLiteral("このプログラムについて(&A)")), &QAction::triggered, this,
        [this] { runCommand(AboutCommand); }, Qt::QueuedConnection);
    connect(
        m_menu.addAction(QStringLiteral("終了(&X)")), &QAction::triggered, this,
        [this] { runCommand(ExitCommand); }, Qt::QueuedConnection);
    // Relabelled at every opening, as the port may have changed since.
    connect(&m_menu, &QMenu::aboutToShow, this, &LumidotApp::updateMenu);
    m_tray.setContextMenu(&m_menu);

    connect(&m_pollTimer, &QTimer::timeout, this, &LumidotApp::tick);
    // IBus says when its state changes: the lamp follows at once instead of at the next poll.
    connect(&m_ime, &ImeStatus::changed, this, &LumidotApp::tick);
    connect(&m_devices, &UdevMonitor::added, this, &LumidotApp::onDeviceAdded);
    connect(&m_devices, &UdevMonitor::removed, this, &LumidotApp::onDeviceRemoved);

    setSeamImeStatus(&m_ime);
    setSeamTrayPresetHandler([this](int preset) { showPreset(preset); });
}

LumidotApp::~LumidotApp()
{
    m_lifecycle.ShutDown();
    setSeamTrayPresetHandler(nullptr);
    setSeamImeStatus(nullptr);
}

bool LumidotApp::start() { return m_lifecycle.StartUp(); }

void LumidotApp::tick()
{
    if (m_lifecycle.IsRunning())
        PollImeStatus();
}

void LumidotApp::updateMenu()
{
    m_connectAction->setText(QString::fromStdWString(ConnectMenuLabel()));
}

void LumidotApp::showPreset(int preset)
{
    m_tray.setIcon(m_lamps[preset]);
    m_tray.setToolTip(QString::fromLatin1(kTips[preset]));
}

void LumidotApp::runCommand(void (*command)(ICommandHost &))
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

void LumidotApp::onDeviceAdded(const QString &devnode, const QStringList &links)
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

void LumidotApp::onDeviceRemoved(const QString &devnode, const QStringList &links)
{
    const SerialDevice &led = ledDevice();
    if (!led.isOpen())
        return;
    const QString openPath = QString::fromStdString(led.path());
    if (devnode.toStdString() == led.devnode() || links.contains(openPath))
        OnPortDeviceRemoved(openPath.toStdWString());
}

Answer LumidotApp::DoPortDialog(std::wstring &strPort)
{
    PortDialog dialog(strPort);
    if (dialog.exec() != QDialog::Accepted)
        return Answer::Cancel;
    strPort = dialog.chosenPort();
    return Answer::Ok;
}

Answer LumidotApp::DoSettingDialog(SettingChoices &choices)
{
    SettingDialog dialog(choices);
    if (dialog.exec() != QDialog::Accepted)
        return Answer::Cancel;
    choices = dialog.choices();
    return Answer::Ok;
}

void LumidotApp::DoAboutDialog(const std::wstring &strText, const std::wstring &strHelpUrl)
{
    AboutDialog dialog(QString::fromStdWString(strText));
    connect(&dialog, &AboutDialog::helpPageRequested, this,
            [this, strHelpUrl] { HelpPageCommand(*this, strHelpUrl); });
    dialog.exec();
}

Answer LumidotApp::ShowMessageBox(const std::wstring &strText, MessageKind kind)
{
    return showMessageBox(QString::fromStdWString(strText), kind);
}

void LumidotApp::StopPollTimer() { m_pollTimer.stop(); }

void LumidotApp::StartPollTimer(unsigned int nPeriodMs)
{
    m_pollTimer.start(static_cast<int>(std::min(nPeriodMs, 0x7FFFFFFFu)));
}

void LumidotApp::EndProgram() { QCoreApplication::quit(); }

void LumidotApp::OpenInBrowser(const std::wstring &strUrl)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdWString(strUrl)));
}

bool LumidotApp::ClaimInstance()
{
    // Without a session bus there is no session to be alone in: run.
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    if (bus == nullptr)
        return true;
    const auto reply =
        bus->registerService(kInstanceName, QDBusConnectionInterface::DontQueueService,
                             QDBusConnectionInterface::DontAllowReplacement);
    return !reply.isValid() || reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

void LumidotApp::ReleaseInstance()
{
    if (QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface())
        bus->unregisterService(kInstanceName);
}

void LumidotApp::AddTrayIcon()
{
    showPreset(sys::TRAY_ON_CONNECTED);
    m_tray.show();
}

void LumidotApp::RemoveTrayIcon() { m_tray.hide(); }
