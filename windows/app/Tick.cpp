#include "windows/app/Tick.h"

#include "core/ImePoller.h"
#include "windows/system/Tray.h"

void RunTick()
{
    RetryTrayIconIfMissing();
    PollImeStatus();
}

void OnWinEvent(DWORD dwEvent, HWND hWnd, LONG idObject, LONG idChild)
{
    if (dwEvent == EVENT_SYSTEM_FOREGROUND && hWnd != nullptr && idObject == OBJID_WINDOW &&
        idChild == CHILDID_SELF)
        RunTick();
}
