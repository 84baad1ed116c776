#include "windows/app/TrayMenu.h"

#include "windows/afx/Afx.h"
#include "core/Commands.h"
#include "core/Resource.h"
#include "windows/res/resource.h"

void ShowTrayMenu(HWND hOwner, POINT pt)
{
    const void* pTemplate = AfxLoadResource(IDR_TRAY_MENU, RT_MENU);
    CResource<HMENU, ::DestroyMenu> hMenu(pTemplate ? ::LoadMenuIndirectW(pTemplate) : nullptr);
    HMENU hPopup = ::GetSubMenu(hMenu.Get(), 0);
    if (hPopup == nullptr)
        return;
    ::ModifyMenuW(hPopup, ID_MENU_CONNECT, MF_BYCOMMAND | MF_STRING, ID_MENU_CONNECT,
                  ConnectMenuLabel().c_str());

    // Without the foreground the menu would not close when the user clicks elsewhere; the WM_NULL
    // afterwards makes a second right-click on the icon work at once.
    ::SetForegroundWindow(hOwner);
    const UINT uAlign = ::GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    ::TrackPopupMenu(hPopup, TPM_RIGHTBUTTON | uAlign, pt.x, pt.y, 0, hOwner, nullptr);
    ::PostMessageW(hOwner, WM_NULL, 0, 0);
}
