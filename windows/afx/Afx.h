// Our own small MFC-style layer: just the pieces Lumidot uses (an application object, modal
// dialogs with data exchange, message boxes captioned with the application title). Windows only.
#pragma once

#include "windows/system/WinApi.h"

#include <string>

class CWnd {
public:
    HWND m_hWnd = nullptr;

    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendDlgItemMessageW(m_hWnd, nID, message, wParam, lParam);
    }
};

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Return FALSE to end the application when InitInstance returns.
    virtual BOOL InitInstance() { return FALSE; }

    HICON LoadIcon(UINT nID) const;

    HINSTANCE m_hInstance = nullptr;
    // The executable's file name without its extension: the caption of every message box.
    std::wstring m_strTitle;
    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
// A resource of the exe in the language of the user interface (UiLanguage), or in another when the
// exe has it in no other (the hidden main window); null when there is none. *pcb: its size.
const void* AfxLoadResource(UINT nID, const wchar_t* pszType, DWORD* pcb = nullptr);
int AfxMessageBox(const std::wstring& strText, UINT nType = MB_OK);

class CDialog;

struct CDataExchange {
    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
    CDialog* m_pDlgWnd;
};

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& nIndex);
void DDX_Check(CDataExchange* pDX, int nIDC, int& nValue);
void DDX_Text(CDataExchange* pDX, int nIDC, std::wstring& strValue);

// A modal dialog over a dialog resource, run by our own modal loop so that PreTranslateMessage
// sees every message first, as in MFC.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR DoModal();
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    void EndDialog(INT_PTR nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange*) {}
    // TRUE when the message was handled and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Every message of the dialog passes here; the result follows the dialog-procedure rules
    // (FALSE leaves the message to the default dialog processing).
    virtual INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A menu command, an accelerator or a button click (other control notifications are not
    // commands); TRUE when handled.
    virtual BOOL OnCommand(UINT nID);

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void ExecuteDlgInit();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    INT_PTR m_nModalResult = -1;
    bool m_bInModalLoop = false;
};

// BeginPaint and EndPaint as a scope.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd), m_hDC(::BeginPaint(m_hWnd, &m_ps)) {}
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC GetSafeHdc() const { return m_hDC; }

private:
    PAINTSTRUCT m_ps{};
    HWND m_hWnd;
    HDC m_hDC;
};
