#include "windows/afx/Afx.h"

#include "windows/afx/CommandMessage.h"

#include <cstring>
#include <vector>

namespace {

// Combo box strings stored with a dialog template, in the resource type and layout the Visual C++
// resource editor writes ("initialisation data").
const WORD RT_DLGINIT = 240;
const WORD DLGINIT_CB_ADDSTRING = 0x0403;

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

INT_PTR CDialog::DoModal()
{
    CWinApp* pApp = AfxGetApp();
    // Dialogs without a parent are owned by the main window, as in MFC.
    HWND hOwner = nullptr;
    if (m_pParentWnd != nullptr)
        hOwner = m_pParentWnd->m_hWnd;
    else if (pApp->m_pMainWnd != nullptr && pApp->m_pMainWnd != this)
        hOwner = pApp->m_pMainWnd->m_hWnd;

    m_nModalResult = -1;
    m_bInModalLoop = true;
    const auto* pTemplate =
        static_cast<const DLGTEMPLATE*>(AfxLoadResource(m_nIDTemplate, RT_DIALOG));
    HWND hWnd = pTemplate == nullptr
                    ? nullptr
                    : ::CreateDialogIndirectParamW(pApp->m_hInstance, pTemplate, hOwner, DialogProc,
                                                   reinterpret_cast<LPARAM>(this));
    if (hWnd == nullptr) {
        m_bInModalLoop = false;
        return -1;
    }
    // Templates without WS_VISIBLE are shown here, as DialogBox would.
    if (m_bInModalLoop && !::IsWindowVisible(hWnd))
        ::ShowWindow(hWnd, SW_SHOWNORMAL);
    const bool bDisableOwner = hOwner != nullptr && ::IsWindowEnabled(hOwner);
    if (bDisableOwner)
        ::EnableWindow(hOwner, FALSE);

    MSG msg;
    while (m_bInModalLoop) {
        BOOL bGot = ::GetMessageW(&msg, nullptr, 0, 0);
        if (bGot == 0) {
            // Leave WM_QUIT for the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (bGot == -1)
            break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    // Re-enable the owner before the dialog goes, so the activation returns to it.
    if (bDisableOwner)
        ::EnableWindow(hOwner, TRUE);
    ::DestroyWindow(hWnd);
    m_hWnd = nullptr;
    return m_nModalResult;
}

void CDialog::EndDialog(INT_PTR nResult)
{
    m_nModalResult = nResult;
    m_bInModalLoop = false;
    // Wake the modal loop in case this was called outside a dispatched message.
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx{bSaveAndValidate, this};
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) { return ::IsDialogMessageW(m_hWnd, pMsg); }

BOOL CDialog::OnCommand(UINT nID)
{
    switch (nID) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        // The template's combo box items are in before OnInitDialog, as in MFC, so that a dialog
        // can add its own to them before the data exchange selects one.
        ExecuteDlgInit();
        return OnInitDialog();
    case WM_COMMAND:
        if (IsCommandMessage(wParam, lParam))
            return OnCommand(LOWORD(wParam));
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* pThis;
    if (message == WM_INITDIALOG) {
        pThis = reinterpret_cast<CDialog*>(lParam);
        pThis->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pThis));
    } else {
        pThis = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT and the like) get the default processing.
    if (pThis == nullptr)
        return FALSE;
    INT_PTR nResult = pThis->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
    return nResult;
}

void CDialog::ExecuteDlgInit()
{
    DWORD cbResource = 0;
    const BYTE* p = static_cast<const BYTE*>(
        AfxLoadResource(m_nIDTemplate, MAKEINTRESOURCEW(RT_DLGINIT), &cbResource));
    if (p == nullptr)
        return;
    const BYTE* pEnd = p + cbResource;
    // Each entry: control id (WORD), message (WORD), length (DWORD), text in the Japanese code
    // page with its terminator. A zero control id ends the list.
    while (p != nullptr && pEnd - p >= 8) {
        // Entries follow each other unaligned.
        WORD nIDC, nMsg;
        DWORD cb;
        std::memcpy(&nIDC, p, sizeof nIDC);
        std::memcpy(&nMsg, p + 2, sizeof nMsg);
        std::memcpy(&cb, p + 4, sizeof cb);
        p += 8;
        if (nIDC == 0 || cb > static_cast<DWORD>(pEnd - p))
            break;
        if (nMsg == DLGINIT_CB_ADDSTRING) {
            const char* psz = reinterpret_cast<const char*>(p);
            int cch = ::MultiByteToWideChar(932, 0, psz, static_cast<int>(cb), nullptr, 0);
            std::vector<wchar_t> text(static_cast<size_t>(cch) + 1);
            ::MultiByteToWideChar(932, 0, psz, static_cast<int>(cb), text.data(), cch);
            SendDlgItemMessage(nIDC, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.data()));
        }
        p += cb;
    }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& nIndex)
{
    if (pDX->m_bSaveAndValidate)
        nIndex = static_cast<int>(pDX->m_pDlgWnd->SendDlgItemMessage(nIDC, CB_GETCURSEL));
    else
        pDX->m_pDlgWnd->SendDlgItemMessage(nIDC, CB_SETCURSEL, static_cast<WPARAM>(nIndex));
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& nValue)
{
    if (pDX->m_bSaveAndValidate)
        nValue = static_cast<int>(pDX->m_pDlgWnd->SendDlgItemMessage(nIDC, BM_GETCHECK));
    else
        pDX->m_pDlgWnd->SendDlgItemMessage(nIDC, BM_SETCHECK, static_cast<WPARAM>(nValue));
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::wstring& strValue)
{
    HWND hCtrl = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (pDX->m_bSaveAndValidate) {
        std::vector<wchar_t> text(static_cast<size_t>(::GetWindowTextLengthW(hCtrl)) + 1);
        ::GetWindowTextW(hCtrl, text.data(), static_cast<int>(text.size()));
        strValue = text.data();
    } else {
        ::SetWindowTextW(hCtrl, strValue.c_str());
    }
}
