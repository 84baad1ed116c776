#include "windows/system/CaretLamp.h"

#include "core/CaretPlacement.h"
#include "core/Platform.h"
#include "windows/system/Ime.h"
#include "windows/system/Win32Calls.h"

namespace {

HWND s_hLamp = nullptr;
HWINEVENTHOOK s_hMoveHook = nullptr;
bool s_bLit = false;
bool s_bLocked = false;
bool s_bFullScreen = false;
// Placed beside the pointer: its moves matter too.
bool s_bAtPointer = false;

ScreenRect ToScreenRect(const RECT& rc) { return {rc.left, rc.top, rc.right, rc.bottom}; }

std::optional<ScreenRect> FindCaret()
{
    HWND hTarget = ImeTargetWindow();
    if (hTarget == nullptr)
        return std::nullopt;
    std::optional<RECT> caret = win32::GetCaretOfThread(win32::GetWindowThreadId(hTarget));
    if (!caret)
        caret = win32::GetAccessibleCaret(hTarget);
    if (!caret)
        return std::nullopt;
    return ToScreenRect(*caret);
}

// bFindCaret: look for the caret again; else the lamp only follows the pointer it is beside.
void PlaceLamp(bool bFindCaret = true)
{
    if (s_bLocked || s_bFullScreen) {
        win32::HideLampWindow(s_hLamp);
        return;
    }
    const std::optional<ScreenRect> caret = bFindCaret ? FindCaret() : std::nullopt;
    if (bFindCaret)
        s_bAtPointer = !caret;
    const POINT pt = win32::GetCursorPos();
    std::vector<MonitorArea> monitors;
    for (const win32::MonitorInfo& monitor : win32::GetMonitors())
        monitors.push_back({ToScreenRect(monitor.rcWork), static_cast<int>(monitor.nDpi)});
    const ScreenRect rect = CaretLampRect(caret, {pt.x, pt.y}, monitors);
    win32::ShowLampWindow(s_hLamp, RECT{rect.left, rect.top, rect.right, rect.bottom}, s_bLit);
}

// Every caret and every pointer move of the desktop comes here, so anything else returns at once.
// A pointer move asks nothing of the program typed into: a caret that appears there tells.
void CALLBACK OnLocationChange(HWINEVENTHOOK, DWORD, HWND, LONG idObject, LONG, DWORD, DWORD)
{
    if (s_hLamp == nullptr)
        return;
    if (idObject == OBJID_CARET)
        PlaceLamp();
    else if (idObject == OBJID_CURSOR && s_bAtPointer)
        PlaceLamp(false);
}

}  // namespace

void sys::ShowCaretLamp(CaretLamp state)
{
    if (state == CaretLamp::None) {
        if (s_hLamp == nullptr)
            return;
        win32::UnhookWinEvent(s_hMoveHook);
        win32::DestroyLampWindow(s_hLamp);
        s_hMoveHook = nullptr;
        s_hLamp = nullptr;
        return;
    }
    if (s_hLamp == nullptr) {
        s_hLamp = win32::CreateLampWindow();
        if (s_hLamp == nullptr)
            return;
        s_hMoveHook = win32::SetWinEventHook(EVENT_OBJECT_LOCATIONCHANGE, OnLocationChange);
        s_bFullScreen = win32::IsFullScreenAppInFront();
    }
    s_bLit = state == CaretLamp::Lit;
    PlaceLamp();
}

void FollowCaretLamp(bool bForegroundChanged)
{
    if (s_hLamp == nullptr)
        return;
    if (bForegroundChanged)
        s_bFullScreen = win32::IsFullScreenAppInFront();
    PlaceLamp();
}

void OnSessionLock(bool bLocked)
{
    s_bLocked = bLocked;
    if (s_hLamp != nullptr)
        PlaceLamp();
}
