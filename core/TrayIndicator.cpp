#include "core/TrayIndicator.h"

#include "platform/Platform.h"
#include "res/resource.h"

#include <cwchar>

NOTIFYICONDATAW g_TrayPresets[TRAY_PRESET_COUNT];

namespace {

// The preset the icon shows (or should show, while the shell has no icon of ours).
int s_nShownPreset = TRAY_ON_CONNECTED;
bool s_bIconAdded = false;

bool AddIcon(int nPreset)
{
    if (!sys::Shell_NotifyIcon(NIM_ADD, &g_TrayPresets[nPreset]))
        return false;
    s_bIconAdded = true;
    s_nShownPreset = nPreset;
    return true;
}

}  // namespace

void RegisterTrayPresets(HWND hWnd)
{
    static const UINT kIcons[TRAY_PRESET_COUNT] = {IDI_LAMP_ON, IDI_LAMP_OFF, IDI_LAMP_ON_NOPORT,
                                                   IDI_LAMP_OFF_NOPORT};
    static const wchar_t* const kTips[TRAY_PRESET_COUNT] = {L"IME ON", L"IME OFF", L"IME ON",
                                                            L"IME OFF"};
    for (int i = 0; i < TRAY_PRESET_COUNT; ++i) {
        NOTIFYICONDATAW& nid = g_TrayPresets[i];
        nid = NOTIFYICONDATAW{};
        nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
        nid.uID = 0;
        nid.hWnd = hWnd;
        nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        nid.hIcon = sys::LoadTrayIcon(kIcons[i]);
        nid.uCallbackMessage = WM_TRAY_NOTIFY;
        std::wcsncpy(nid.szTip, kTips[i], sizeof nid.szTip / sizeof nid.szTip[0] - 1);
    }
    // All four name the same icon: the first add that the shell accepts creates it, the later
    // ones are refused as duplicates.
    s_bIconAdded = false;
    s_nShownPreset = TRAY_ON_CONNECTED;
    for (int i = 0; i < TRAY_PRESET_COUNT; ++i) {
        if (s_bIconAdded)
            sys::Shell_NotifyIcon(NIM_ADD, &g_TrayPresets[i]);
        else
            AddIcon(i);
    }
}

void ShowTrayPreset(int nPreset)
{
    s_nShownPreset = nPreset;
    if (s_bIconAdded)
        sys::Shell_NotifyIcon(NIM_MODIFY, &g_TrayPresets[nPreset]);
    else
        AddIcon(nPreset);
}

void RemoveTrayPresets()
{
    for (NOTIFYICONDATAW& nid : g_TrayPresets)
        sys::Shell_NotifyIcon(NIM_DELETE, &nid);
    s_bIconAdded = false;
}

void OnTaskbarCreated()
{
    s_bIconAdded = false;
    AddIcon(s_nShownPreset);
}

void RetryTrayIconIfMissing()
{
    if (!s_bIconAdded)
        AddIcon(s_nShownPreset);
}
