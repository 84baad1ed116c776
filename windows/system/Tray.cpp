#include "windows/system/Tray.h"

#include "core/Texts.h"
#include "windows/res/resource.h"
#include "windows/system/Win32Calls.h"

#include <cwchar>

NOTIFYICONDATAW g_TrayPresets[TRAY_PRESET_COUNT];

namespace {

// The preset the icon shows (or should show, while the shell has no icon of ours).
int s_nShownPreset = TRAY_ON_CONNECTED;
bool s_bIconPlaced = false;
DWORD s_dwLastAttempt = 0;

// Makes the shell show preset nPreset as our icon, whether it has the icon or not. A refused add
// does not prove there is no icon: the shell refuses a duplicate, and an add during a busy logon
// can time out yet take effect. The modify that follows succeeds exactly when the icon exists.
bool PlaceIcon(int nPreset)
{
    s_dwLastAttempt = win32::GetTickCount();
    s_bIconPlaced = win32::Shell_NotifyIcon(NIM_ADD, &g_TrayPresets[nPreset]) ||
                    win32::Shell_NotifyIcon(NIM_MODIFY, &g_TrayPresets[nPreset]);
    return s_bIconPlaced;
}

bool RetryIsDue() { return win32::GetTickCount() - s_dwLastAttempt >= TRAY_RETRY_MS; }

}  // namespace

void RegisterTrayPresets(HWND hWnd)
{
    static const UINT kIcons[TRAY_PRESET_COUNT] = {IDI_LAMP_ON, IDI_LAMP_OFF, IDI_LAMP_ON_NOPORT,
                                                   IDI_LAMP_OFF_NOPORT};
    for (int i = 0; i < TRAY_PRESET_COUNT; ++i) {
        NOTIFYICONDATAW& nid = g_TrayPresets[i];
        nid = NOTIFYICONDATAW{};
        nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
        nid.uID = 0;
        nid.hWnd = hWnd;
        nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        nid.hIcon = win32::LoadTrayIcon(kIcons[i]);
        nid.uCallbackMessage = WM_TRAY_NOTIFY;
        std::wcsncpy(nid.szTip, sys::LocalText(texts::kTrayTips[i]).c_str(),
                     sizeof nid.szTip / sizeof nid.szTip[0] - 1);
    }
    // All four name the same icon: the first add that the shell accepts creates it, the later
    // ones are refused as duplicates.
    s_bIconPlaced = false;
    for (int i = 0; i < TRAY_PRESET_COUNT; ++i) {
        if (s_bIconPlaced) {
            win32::Shell_NotifyIcon(NIM_ADD, &g_TrayPresets[i]);
        } else {
            s_nShownPreset = i;
            PlaceIcon(i);
        }
    }
    if (!s_bIconPlaced)
        s_nShownPreset = TRAY_ON_CONNECTED;
}

void sys::ShowTrayPreset(int nPreset)
{
    s_nShownPreset = nPreset;
    if (s_bIconPlaced) {
        // A refused modify means the shell lost the icon; it is placed again by a later retry.
        s_bIconPlaced = win32::Shell_NotifyIcon(NIM_MODIFY, &g_TrayPresets[nPreset]);
        if (!s_bIconPlaced)
            s_dwLastAttempt = win32::GetTickCount();
    } else if (RetryIsDue()) {
        PlaceIcon(nPreset);
    }
}

void RemoveTrayPresets()
{
    for (NOTIFYICONDATAW& nid : g_TrayPresets)
        win32::Shell_NotifyIcon(NIM_DELETE, &nid);
    s_bIconPlaced = false;
}

void OnTaskbarCreated()
{
    // The shell is there now, so this is no retry to hold back.
    NOTIFYICONDATAW* pPreset = &g_TrayPresets[s_nShownPreset];
    s_dwLastAttempt = win32::GetTickCount();
    s_bIconPlaced =
        win32::Shell_NotifyIcon(NIM_MODIFY, pPreset) || win32::Shell_NotifyIcon(NIM_ADD, pPreset);
}

void RetryTrayIconIfMissing()
{
    if (!s_bIconPlaced && RetryIsDue())
        PlaceIcon(s_nShownPreset);
}
