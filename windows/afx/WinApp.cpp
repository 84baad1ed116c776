#include "windows/afx/Afx.h"

#include "windows/system/Session.h"
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

const void* AfxLoadResource(UINT nID, const wchar_t* pszType, DWORD* pcb)
{
    // Asked for by language: Windows would pick by the thread's user interface languages, Wine by
    // the regional format, and neither need fall back to English for a third language.
    HINSTANCE hInstance = AfxGetApp()->m_hInstance;
    HRSRC hResource = ::FindResourceExW(hInstance, pszType, MAKEINTRESOURCEW(nID), UiLanguage());
    if (hResource == nullptr)
        hResource = ::FindResourceW(hInstance, MAKEINTRESOURCEW(nID), pszType);
    if (hResource == nullptr)
        return nullptr;
    if (pcb != nullptr)
        *pcb = ::SizeofResource(hInstance, hResource);
    return ::LockResource(::LoadResource(hInstance, hResource));
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
