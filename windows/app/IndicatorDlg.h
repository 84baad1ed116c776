// The hidden main dialog: hosts the poll timer and the tray icon, receives the tray's mouse
// messages and the menu's commands, and runs start-up and shutdown.
#pragma once

#include "windows/afx/Afx.h"
#include "core/CommandHost.h"
#include "core/Lifecycle.h"
#include "core/Resource.h"

// Exists while the first instance runs; a second instance sees it and ends at once.
extern CResource<HANDLE, ::CloseHandle> g_hMutex;

class CIndicatorDlg : public CDialog, private ICommandHost, private IAppHost {
public:
    CIndicatorDlg();

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(UINT nID) override;

private:
    void Hide();
    void OnPaint();
    void OnTimer(UINT nIDEvent);
    static void CALLBACK WinEventProc(HWINEVENTHOOK hHook, DWORD dwEvent, HWND hWnd, LONG idObject,
                                      LONG idChild, DWORD dwThread, DWORD dwTime);
    static LRESULT CALLBACK KeyHookProc(int nCode, WPARAM wParam, LPARAM lParam);
    void UnhookAll();
    void OnDestroy();
    void OnDeviceChange(WPARAM wParam, LPARAM lParam);
    void OnMenuConnect();
    void OnMenuSetting();
    void OnMenuAbout();
    void OnMenuExit();
    // A command's dialog or question is open: bring it to the front instead of starting another.
    void ActivateRunningCommand();

    // ICommandHost
    Answer DoPortDialog(std::wstring& strPort) override;
    Answer DoSettingDialog(SettingChoices& choices) override;
    void DoAboutDialog(const std::wstring& strText, const std::wstring& strHelpUrl) override;
    Answer ShowMessageBox(const std::wstring& strText, MessageKind kind) override;
    void StopPollTimer() override;
    void StartPollTimer(unsigned int nPeriodMs) override;
    void EndProgram() override;
    void OpenInBrowser(const std::wstring& strUrl) override;

    // IAppHost (StartPollTimer and StopPollTimer above serve both)
    bool ClaimInstance() override;
    void ReleaseInstance() override;
    void AddTrayIcon() override;
    void RemoveTrayIcon() override;

    HICON m_hIcon;
    CLifecycle m_lifecycle;
    // The foreground, focus and IME events.
    static constexpr size_t kEventHooks = 3;
    CResource<HWINEVENTHOOK, ::UnhookWinEvent> m_hEventHooks[kEventHooks];
    CResource<HHOOK, ::UnhookWindowsHookEx> m_hKeyHook;
};
