// The one tray icon on Linux: the four lamps with their tips, which sys::ShowTrayPreset switches
// between, and the menu the tray host shows on a right click.
#pragma once

#include "core/Platform.h"

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

class QMenu;

// The first TrayIcon made (and still alive) is the one sys::ShowTrayPreset switches.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QMenu *menu, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon; it starts as the bright lamp (TRAY_ON_CONNECTED) until the first tick.
    void add();
    void remove();
    void showPreset(int preset);

private:
    QSystemTrayIcon m_icon;
    QIcon m_lamps[sys::TRAY_PRESET_COUNT];
};
