// A recording stand-in for the Win32 calls of windows/system/Win32Calls.h, which the Windows side
// of the seam is built on. Every call is appended to g_Fake.calls as one readable line, so a test
// can assert what was asked and in which order; the other fields choose what the "system" answers.
#pragma once

#include "windows/system/Win32Calls.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct FakeSystem {
    std::vector<std::string> calls;

    // IME. A window not listed in windows is a plain top-level window of thread 1 whose default
    // IME window is hImeWindow; a thread not listed in focus has no focus window (a console's).
    struct Window {
        std::wstring strClass;
        DWORD dwThread = 1;
        HWND hParent = nullptr;
        HWND hIme = nullptr;
    };
    HWND hForeground = reinterpret_cast<HWND>(0x1000);  // may be null, as while activation changes
    HWND hImeWindow = reinterpret_cast<HWND>(0x2000);
    HWND hOwnImeWindow = reinterpret_cast<HWND>(0x2100);  // ImmGetDefaultIMEWnd(NULL): ours
    std::map<HWND, Window> windows;
    std::map<DWORD, HWND> focus;       // GetGUIThreadInfo's hwndFocus, by thread
    bool bImeAnswers = true;           // false: SendMessageTimeout fails with dwImeError
    DWORD dwImeError = ERROR_TIMEOUT;  // ERROR_TIMEOUT: hung or slow; ERROR_ACCESS_DENIED: elevated
    DWORD_PTR dwImeStatus = 0;         // what the IME window answers
    bool bModeAnswers = true;          // false: the conversion-mode query fails
    DWORD_PTR dwConversionMode = 9;    // IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE: typing hiragana
    UINT uLastTimeoutMs = 0;
    UINT uLastSendFlags = 0;

    // Languages. Not logged in calls, like the registry: reading them is no action of the
    // program's.
    LANGID langUi = 0x0411;  // Japanese
    // Each thread's keyboard layout; thread 1's is a Japanese IME.
    std::map<DWORD, HKL> layouts{{1, reinterpret_cast<HKL>(0xE0010411)}};

    // Tray: the shell keeps the icons it has, as the real one does: it refuses to add an icon
    // twice and to modify or delete one it doesn't have.
    bool bShellAccepts = true;        // false: the shell refuses everything (not ready, or hung)
    bool bAddReportsFailure = false;  // an add takes effect but reports failure (timed out)
    std::set<std::pair<HWND, UINT>> icons;
    std::vector<NOTIFYICONDATAW> shownRecords;  // copies of every record handed to the shell
    std::function<void()> onShellCall;  // runs inside every shell call, as a sent message would

    // The lamp at the caret. The caret of a thread (GetGUIThreadInfo) and of a window's accessible
    // object are in screen coordinates; a thread or window not listed has none.
    std::map<DWORD, RECT> carets;
    std::map<HWND, RECT> accessibleCarets;
    POINT cursor{500, 300};
    std::vector<win32::MonitorInfo> monitors = {{{0, 0, 1920, 1040}, 96}};
    bool bFullScreen = false;
    HWND hLamp = nullptr;  // the lamp's window while it exists
    bool bLampShown = false;
    RECT rcLamp{};
    bool bLampLit = false;
    WINEVENTPROC pfnMoveHook = nullptr;  // the location events' hook while it is set

    // Serial port
    HANDLE hNextComm = reinterpret_cast<HANDLE>(0x3000);  // what CreateFile returns
    DWORD dwOpenError = ERROR_FILE_NOT_FOUND;             // the error of a CreateFile that fails
    std::wstring strLastDevice;
    DWORD dwLastAccess = 0, dwLastShare = 0xFFFFFFFF, dwLastCreation = 0, dwLastFlags = 0;
    bool bGetCommStateFails = false;
    DCB dcbFromDriver{};  // what GetCommState reports
    DCB dcbWritten{};     // what SetCommState was given
    COMMTIMEOUTS timeoutsWritten{};
    bool bEscapeFails = false;
    std::set<DWORD> failingEscapes;           // codes that fail even when bEscapeFails is false
    DWORD dwEscapeError = ERROR_GEN_FAILURE;  // the error a failing line change reports
    DWORD dwLastError = 0;
    int nOpenHandles = 0;

    DWORD dwTickCount = 100000;
    std::vector<std::wstring> traceLines;

    // Settings. The file calls act on real files, a '\\' in a path taken as '/'.
    std::wstring strExePath = L"/opt/Lumidot/Lumidot.exe";
    std::wstring strAppData;  // what GetAppDataFolder answers; empty: Windows names none
    // Closed to this user, as Program Files is: a folder no file or folder can be made in, or a
    // read-only file. A writable file in a closed folder can still be written.
    std::set<std::wstring> closedPaths;

    // HKEY_CURRENT_USER: "key\\value" to the string it holds. Not logged in calls: reading it is
    // no action of the program's.
    std::map<std::wstring, std::wstring> registry;
    std::map<std::wstring, std::vector<BYTE>>
        registryBinary;  // REG_BINARY values, keyed the same way
    // HKEY_LOCAL_MACHINE, read only: each key's path to its REG_SZ values (name to data). A key
    // also exists when only keys below it are listed. Names match in any case, as Windows' do.
    std::map<std::wstring, std::map<std::wstring, std::wstring>> machineKeys;

    void Reset() { *this = FakeSystem(); }
};

extern FakeSystem g_Fake;

// The calls recorded since the last Reset, with the IME query calls left out.
std::vector<std::string> NonImeCalls();
