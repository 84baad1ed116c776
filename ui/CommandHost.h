// What the menu commands need from the user interface. The main dialog provides it on Windows;
// the unit tests provide a scripted stand-in, so the commands' logic (what is asked, in which
// order, what is saved) is tested without windows.
#pragma once

#include "platform/WinApi.h"

#include <string>

class ICommandHost {
public:
    // Modal dialogs: IDOK or IDCANCEL. The index members are in and out.
    virtual INT_PTR DoPortDialog(int& nPortIndex) = 0;
    virtual INT_PTR DoSettingDialog(int& nIntervalIndex, int& nPortIndex, int& bAutoConnect) = 0;
    virtual void DoAboutDialog(const std::wstring& strText, const std::wstring& strHelpUrl) = 0;
    // A message box captioned with the application title; returns the button pressed.
    virtual int MessageBox(const std::wstring& strText, UINT nType) = 0;

    virtual void StopPollTimer() = 0;
    virtual void StartPollTimer(UINT nPeriodMs) = 0;
    // Ends the main dialog; shutdown follows.
    virtual void EndProgram() = 0;
    virtual void OpenInBrowser(const std::wstring& strUrl) = 0;

protected:
    ~ICommandHost() = default;
};
