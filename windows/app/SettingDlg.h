// "動作設定": poll interval, LED port, whether the port opens at start-up, whether alphanumeric
// input counts as off, whether Lumidot starts with Windows, and how the LED is wired.
#pragma once

#include "core/Platform.h"
#include "core/Texts.h"
#include "windows/app/PortListDlg.h"
#include "windows/res/resource.h"
#include "windows/system/Session.h"

#include <utility>

class CSettingDlg : public CPortListDlg {
public:
    explicit CSettingDlg(CComPortList ports) : CPortListDlg(IDD_SETTING_DIALOG, std::move(ports)) {}

    int m_nIntervalIndex = -1;  // index i is (i + 1) x 100 ms
    int m_bAutoConnect = 0;
    int m_bAlnumOff = 0;
    int m_bStartAtLogin = 0;
    int m_nLedLines = 0;  // index i is texts::kLedLinesItems[i]
    int m_bLedInverted = 0;

protected:
    BOOL OnInitDialog() override
    {
        for (const wchar_t* pszItem : texts::kLedLinesItems)
            SendDlgItemMessage(IDC_LED_LINES_COMBO, CB_ADDSTRING, 0,
                               reinterpret_cast<LPARAM>(sys::LocalText(pszItem).c_str()));
        const BOOL bResult = CPortListDlg::OnInitDialog();
        ShowAlnumOffHint();
        return bResult;
    }

    INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND && LOWORD(wParam) == IDC_ALNUM_OFF_CHECK)
            ShowAlnumOffHint();
        return CPortListDlg::WindowProc(message, wParam, lParam);
    }

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_CBIndex(pDX, IDC_INTERVAL_COMBO, m_nIntervalIndex);
        CPortListDlg::DoDataExchange(pDX);
        DDX_Check(pDX, IDC_AUTOCONNECT_CHECK, m_bAutoConnect);
        DDX_Check(pDX, IDC_ALNUM_OFF_CHECK, m_bAlnumOff);
        DDX_Check(pDX, IDC_START_AT_LOGIN_CHECK, m_bStartAtLogin);
        DDX_CBIndex(pDX, IDC_LED_LINES_COMBO, m_nLedLines);
        DDX_Check(pDX, IDC_LED_INVERTED_CHECK, m_bLedInverted);
    }

private:
    // The one line under the LED's wiring, while the box it points at is unticked.
    void ShowAlnumOffHint()
    {
        const bool bTicked = SendDlgItemMessage(IDC_ALNUM_OFF_CHECK, BM_GETCHECK) == BST_CHECKED;
        ::ShowWindow(GetDlgItem(IDC_ALNUM_OFF_HINT),
                     NeedsAlnumOffHint(bTicked) ? SW_SHOWNA : SW_HIDE);
    }
};
