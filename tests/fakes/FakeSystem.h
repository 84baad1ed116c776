// A recording stand-in for the system calls of platform/Platform.h. Every call is appended to
// g_Fake.calls as one readable line, so a test can assert what was asked and in which order; the
// other fields choose what the "system" answers.
#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

struct FakeSystem {
    std::vector<std::string> calls;

    // IME
    HWND hForeground = reinterpret_cast<HWND>(0x1000);
    HWND hImeWindow = reinterpret_cast<HWND>(0x2000);
    bool bImeAnswers = true;    // false: SendMessageTimeout fails (hung or timed out)
    DWORD_PTR dwImeStatus = 0;  // what the IME window answers
    UINT uLastTimeoutMs = 0;
    UINT uLastSendFlags = 0;

    // Tray
    bool bShellAccepts = true;
    std::vector<NOTIFYICONDATAW> shownRecords;  // copies of every record handed to the shell

    // Serial port
    HANDLE hNextComm = reinterpret_cast<HANDLE>(0x3000);  // what CreateFile returns
    std::wstring strLastDevice;
    DWORD dwLastAccess = 0, dwLastShare = 0xFFFFFFFF, dwLastCreation = 0, dwLastFlags = 0;
    bool bGetCommStateFails = false;
    DCB dcbFromDriver{};  // what GetCommState reports
    DCB dcbWritten{};     // what SetCommState was given
    COMMTIMEOUTS timeoutsWritten{};
    bool bEscapeFails = false;
    int nOpenHandles = 0;

    // Settings
    std::wstring strExePath = L"/opt/Lumidot/Lumidot.exe";

    void Reset() { *this = FakeSystem(); }
};

extern FakeSystem g_Fake;

// The calls recorded since the last Reset, with the IME query calls left out.
std::vector<std::string> NonImeCalls();
