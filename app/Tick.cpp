#include "app/Tick.h"

#include "core/ImePoller.h"
#include "platform/win32/TrayIndicator.h"

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
