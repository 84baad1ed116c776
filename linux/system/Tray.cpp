#include "linux/system/Tray.h"

#include "core/Texts.h"

#include <QMenu>

namespace {

TrayIcon *s_current = nullptr;

// The lamps of the tray presets, drawn by the same generator as the Windows edition's icons.
const char *const kLampFiles[sys::TRAY_PRESET_COUNT] = {":/icons/LampOn.ico", ":/icons/LampOff.ico",
                                                        ":/icons/LampOnNoPort.ico",
                                                        ":/icons/LampOffNoPort.ico"};

}  // namespace

TrayIcon::TrayIcon(QMenu *menu, QObject *parent) : QObject(parent), m_icon(this)
{
    if (s_current == nullptr)
        s_current = this;
    for (int i = 0; i < sys::TRAY_PRESET_COUNT; ++i)
        m_lamps[i] = QIcon(QString::fromLatin1(kLampFiles[i]));
    m_icon.setContextMenu(menu);
}

TrayIcon::~TrayIcon()
{
    if (s_current == this)
        s_current = nullptr;
}

void TrayIcon::add()
{
    showPreset(sys::TRAY_ON_CONNECTED);
    m_icon.show();
}

void TrayIcon::remove() { m_icon.hide(); }

void TrayIcon::showPreset(int preset)
{
    if (preset < 0 || preset >= sys::TRAY_PRESET_COUNT)
        return;
    m_icon.setIcon(m_lamps[preset]);
    m_icon.setToolTip(QString::fromStdWString(sys::LocalText(texts::kTrayTips[preset])));
}

void sys::ShowTrayPreset(int nPreset)
{
    if (s_current != nullptr)
        s_current->showPreset(nPreset);
}
