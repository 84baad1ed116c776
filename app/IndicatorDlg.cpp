#include "app/IndicatorDlg.h"

#include "core/ImePoller.h"
#include "core/SerialPort.h"
#include "core/TrayIndicator.h"
#include "res/resource.h"
#include "settings/Settings.h"

CResource<HANDLE, ::CloseHandle> g_hMutex;

namespace {

const wchar_t kMutexName[] = L"Lumidot Viewer for Windows";
const UINT_PTR kPollTimer = 1;

// Sent to every top-level window when the taskbar is created, after an Explorer restart too.
const UINT s_uTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");

}  // namespace

CIndicatorDlg::CIndicatorDlg()
    : CDialog(IDD_MAIN_DIALOG), m_hIcon(AfxGetApp()->LoadIcon(IDR_MAINFRAME))
{
}

BOOL CIndicatorDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    HANDLE hMutex = ::CreateMutexW(nullptr, TRUE, kMutexName);
    const DWORD dwError = ::GetLastError();
    g_hMutex.Reset(hMutex);
    if (dwError == ERROR_ALREADY_EXISTS) {
        OnOK();
        return TRUE;
    }
    m_bStarted = true;

    LoadSettings();
    RegisterTrayPresets(m_hWnd);
    if (g_nAutoConnect == 1)
        ConnectPort(g_nPortNumber);
    ::SetTimer(m_hWnd, kPollTimer, PollPeriodMs(g_nUpdateTime), nullptr);

    // A tool window without WS_EX_APPWINDOW has no taskbar button and no Alt+Tab entry. The
    // template is visible, so whatever shows it again later finds no area to draw.
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                        ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & ~LONG_PTR{WS_EX_APPWINDOW});
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_HIDEWINDOW);
    return TRUE;
}

BOOL CIndicatorDlg::PreTranslateMessage(MSG* pMsg)
{
    // The dialog manager turns Enter and Escape into OK and Cancel, which would end the program.
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE))
        return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

INT_PTR CIndicatorDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (::IsIconic(m_hWnd)) {
            OnPaint();
            return TRUE;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_TIMER:
        OnTimer(static_cast<UINT>(wParam));
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    default:
        if (message == s_uTaskbarCreated && m_bStarted)
            OnTaskbarCreated();
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CIndicatorDlg::OnPaint()
{
    CPaintDC dc(this);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    ::GetClientRect(m_hWnd, &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    ::DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
}

void CIndicatorDlg::OnTimer(UINT)
{
    PollImeStatus();
}

void CIndicatorDlg::OnDestroy()
{
    if (m_bStarted) {
        RemoveTrayPresets();
        // The lines are left as they are: closing the port is what the LED sees.
        g_Port.Close();
        SaveSettings();
    }
    g_hMutex.Reset();
}
