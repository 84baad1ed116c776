#include "windows/afx/Afx.h"

#include "windows/system/Win32Calls.h"

#include <commctrl.h>

namespace {
CWinApp* s_pApp = nullptr;
}

CWinApp::CWinApp() { s_pApp = this; }

CWinApp* AfxGetApp() { return s_pApp; }

HICON CWinApp::LoadIcon(UINT nID) const
{
    return static_cast<HICON>(::LoadImageW(m_hInstance, MAKEINTRESOURCEW(nID), IMAGE_ICON,
                                           ::GetSystemMetrics(SM_CXICON),
                                           ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
}

int AfxMessageBox(const std::wstring& strText, UINT nType)
{
    // Owned by whichever of our windows is active (a dialog asking a question), else by the
    // hidden main window, so the box stays in front of what the user was looking at.
    CWinApp* pApp = AfxGetApp();
    HWND hOwner = ::GetActiveWindow();
    if (hOwner == nullptr && pApp->m_pMainWnd != nullptr)
        hOwner = pApp->m_pMainWnd->m_hWnd;
    return ::MessageBoxW(hOwner, strText.c_str(), pApp->m_strTitle.c_str(), nType);
}

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    pApp->m_hInstance = hInstance;

    std::wstring strPath = win32::GetModuleFileName();
    std::wstring strName = strPath.substr(strPath.find_last_of(L"\\/") + 1);
    pApp->m_strTitle = strName.substr(0, strName.find_last_of(L'.'));

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);

    pApp->InitInstance();
    return 0;
}
