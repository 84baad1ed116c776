// The Linux edition's application: the host of start-up, shutdown and the menu commands, with the
// tray icon, its menu, the poll timer and the watchers of the input method and the serial devices.
#pragma once

#include "core/CommandHost.h"
#include "core/Commands.h"
#include "core/Lifecycle.h"
#include "linux/system/DeviceEvents.h"
#include "linux/system/Ime.h"
#include "linux/system/Session.h"
#include "linux/system/Tray.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

class QAction;
class QMessageBox;

class IndicatorApp : public QObject, private ICommandHost, private IAppHost {
    Q_OBJECT
    // The running instance answers a later start of Lumidot in the session over D-Bus.
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit IndicatorApp(QObject *parent = nullptr);
    ~IndicatorApp() override;

    // False when another instance runs in this session: the program then ends at once.
    bool start();

public slots:
    // Lumidot was started again while this instance runs: without a tray it says again why
    // nothing shows.
    Q_SCRIPTABLE void Activate(const QVariantMap &platformData);

private slots:
    void tick();
    void updateMenu();
    void onDeviceAdded(const QString &devnode, const QStringList &links);
    void onDeviceRemoved(const QString &devnode, const QStringList &links);
    void onWake();
    // Another user's session came to the screen, or ours came back: the LED is the screen's.
    void onSessionActive(bool active);
    // No tray to show the lamp in: a message box that names what is missing and leads to the
    // settings, and a line on stderr.
    void showNoTrayNotice();

private:
    // Runs one of the menu's commands, or brings the running one's window to the front: only one
    // command runs at a time.
    void runCommand(Command command);

    // ICommandHost
    Answer DoPortDialog(std::wstring &strPort) override;
    Answer DoSettingDialog(SettingChoices &choices) override;
    void DoAboutDialog(const std::wstring &strText, const std::wstring &strHelpUrl) override;
    Answer ShowMessageBox(const std::wstring &strText, MessageKind kind) override;
    void StopPollTimer() override;
    void StartPollTimer(unsigned int nPeriodMs) override;
    void EndProgram() override;
    void OpenInBrowser(const std::wstring &strUrl) override;

    // IAppHost
    bool ClaimInstance() override;
    void ReleaseInstance() override;
    void AddTrayIcon() override;
    void RemoveTrayIcon() override;

    ImeStatus m_ime;
    UdevMonitor m_devices;
    Logind m_logind;
    QTimer m_pollTimer;
    QMenu m_menu;
    QAction *m_connectAction = nullptr;
    TrayIcon m_tray;
    QPointer<QMessageBox> m_noTrayNotice;
    CLifecycle m_lifecycle{*this};
};
