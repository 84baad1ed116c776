#include "windows/app/Tick.h"

#include "core/ImePoller.h"
#include "windows/system/Tray.h"

namespace {

// From the key: soon after it, and on until a slow IME has surely switched.
constexpr unsigned int kReadsAfterKeyMs[] = {10, 40, 100, 250, 500};
constexpr unsigned int kReadsAfterKey = sizeof kReadsAfterKeyMs / sizeof kReadsAfterKeyMs[0];
unsigned int s_nReadsDone = kReadsAfterKey;

}  // namespace

void RunTick()
{
    RetryTrayIconIfMissing();
    PollImeStatus();
}

void OnWinEvent(DWORD dwEvent, HWND hWnd, LONG idObject, LONG idChild)
{
    switch (dwEvent) {
    case EVENT_SYSTEM_FOREGROUND:
        // A window, not an object inside one.
        if (hWnd != nullptr && idObject == OBJID_WINDOW && idChild == CHILDID_SELF)
            RunTick();
        break;
    case EVENT_OBJECT_FOCUS:
    case EVENT_OBJECT_IME_CHANGE:
        RunTick();
        break;
    default:
        break;
    }
}

bool IsImeKey(DWORD dwVirtualKey)
{
    switch (dwVirtualKey) {
    case VK_KANA:  // also VK_HANGUL
    case VK_IME_ON:
    case VK_KANJI:  // also VK_HANJA; Alt+半角/全角 on Japanese keyboards
    case VK_IME_OFF:
    case VK_CONVERT:
    case VK_NONCONVERT:
        return true;
    default:
        // The VK_DBE_ keys, VK_DBE_ALPHANUMERIC to VK_DBE_ENTERDLGCONVERSIONMODE, among them 英数
        // (VK_OEM_ATTN) and 半角/全角 (VK_OEM_AUTO, VK_OEM_ENLW).
        return dwVirtualKey >= 0xF0 && dwVirtualKey <= 0xFD;
    }
}

unsigned int OnImeKeySeen()
{
    s_nReadsDone = 0;
    return kReadsAfterKeyMs[0];
}

unsigned int OnReadAfterImeKey()
{
    if (s_nReadsDone >= kReadsAfterKey)
        return 0;
    RunTick();
    ++s_nReadsDone;
    if (s_nReadsDone >= kReadsAfterKey)
        return 0;
    return kReadsAfterKeyMs[s_nReadsDone] - kReadsAfterKeyMs[s_nReadsDone - 1];
}
