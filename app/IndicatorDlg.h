// The hidden main dialog: hosts the poll timer and the tray icon, receives the tray's mouse
// messages and the menu's commands, and runs start-up and shutdown.
#pragma once

#include "afx/Afx.h"
#include "platform/Resource.h"

// Exists while the first instance runs; a second instance sees it and ends at once.
extern CResource<HANDLE, ::CloseHandle> g_hMutex;

class CIndicatorDlg : public CDialog {
public:
    CIndicatorDlg();

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void OnTimer(UINT nIDEvent);
    void OnDestroy();

    HICON m_hIcon;
    // False in a second instance, whose shutdown must leave the tray, the port and the settings
    // file of the running one alone.
    bool m_bStarted = false;
};
