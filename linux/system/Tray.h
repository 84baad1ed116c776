// The one tray icon on Linux: the four lamps with their tips, which sys::ShowTrayPreset switches
// between, and the menu the tray host shows on a right click.
#pragma once

#include "core/Platform.h"

#include <QIcon>
#include <QObject>
#include <QTimer>

class QMenu;
class QSystemTrayIcon;

// The first TrayIcon made (and still alive) is the one sys::ShowTrayPreset switches.
//
// Qt decides once per process, when it is first asked, whether a tray is there, and keeps a "no"
// for good: an icon made before the desktop's tray host runs would never appear. So the icon is
// made only once a tray is there, asked of the bus and the X server directly: a StatusNotifierItem
// host registered with org.kde.StatusNotifierWatcher, or on X11 an XEmbed tray. Until then the
// lamp is only remembered. Once made, Qt follows a tray host that restarts. A host that goes away
// between our check and Qt's leaves Qt's "no" all the same: an icon Qt says it cannot show does
// not count as shown, and a tray is waited for again, as when none runs.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QMenu *menu, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon, now or as soon as a tray is there; it starts as the bright lamp
    // (TRAY_ON_CONNECTED) until the first tick.
    void add();
    void remove();
    void showPreset(int preset);
    // Whether the icon has been handed to a tray.
    bool isShown() const { return m_icon != nullptr; }
    // Says text once as the tray's message beside the lamp, now or when a tray comes within
    // about half a minute.
    void notify(const QString &text, int triesLeft = 30);

signals:
    // A few seconds after add(), still no tray: sent once; and again each time a tray went away
    // as the icon was made for it.
    void missing();

private slots:
    void lookForTray();

private:
    QMenu *m_menu;
    QSystemTrayIcon *m_icon = nullptr;
    QIcon m_lamps[sys::TRAY_PRESET_COUNT];
    int m_preset = sys::TRAY_ON_CONNECTED;
    bool m_wanted = false;  // between add() and remove()
    QTimer m_lookAgain;     // while waiting, for a tray that announces itself to nobody
    QTimer m_patience;      // until the tray counts as missing
};
