// A fake of the seam itself: every operation of core/Platform.h, so the shared logic is tested
// without any edition's system/ side. It keeps what the real seam keeps (the open port, the
// settings files, whether Lumidot starts at login) by the contract Platform.h documents, records
// what the logic asked of it as short readable lines, and lets a test choose the answers.
//
// Ports are named the Windows way, which is all the shared logic's tests need: a port is "COMn"
// with n >= 1, and the settings keep it as the number n (PortNumber).
#pragma once

#include "core/Platform.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

using Calls = std::vector<std::string>;

struct FakeSeam {
    // What the logic asked for, in order, one line each:
    //   Tray(ON_CONNECTED)  Lines(on)  Lines(off)  Open(COM5)  Close
    //   WriteProfile(PortNumber=3)  StartAtLogin(on)
    // Lines(on) raises both lines, Lines(DTR off) drops DTR alone.
    // A request the seam refuses is recorded all the same: it is what the logic asked. The tests'
    // stand-ins for the front-end log into the same list, so the order across both is visible.
    Calls calls;
    // The questions that change nothing, apart so that the list above shows the actions:
    //   ReadIme  ReadIme(mode)  ReadProfile(PortNumber)
    Calls reads;

    // --- The input method ---
    // What it says; nothing: it did not answer in time.
    std::optional<sys::ImeReading> ime = sys::ImeReading{};
    // false: a reading that also asks for the mode gets no answer in time.
    bool bModeAnswers = true;
    // Runs inside every ReadImeState, after the answer is taken and before it is returned, as a
    // message dispatched while the query waits for the IME would (a window switch, say).
    std::function<void()> onReadIme;

    // --- The tray ---
    // Runs inside every ShowTrayPreset, as a message handled during the shell call would.
    std::function<void()> onTray;

    // --- The LED port ---
    std::wstring strOpenPort;             // the open port; empty while closed
    bool bOpenFails = false;              // every open fails: no such device
    std::set<std::wstring> failingPorts;  // these fail to open: absent
    std::set<std::wstring> busyPorts;     // these fail to open: held by another program for now
    bool bLastOpenBusy = false;           // what LastOpenWasBusy says
    sys::OpenFailure refusal;             // what LastOpenFailure says after a refused open
    sys::OpenFailure lastFailure;         // what LastOpenFailure says
    // What a line change on the open port finds. A new open starts with Ok: a device reset under
    // the old handle works again through a new one.
    sys::LineResult lineResult = sys::LineResult::Ok;

    // --- The settings file ---
    std::wstring strIniPath = L"/home/user/.config/Lumidot.ini";
    std::map<std::wstring, std::string> files;  // path to the file's bytes (UTF-8)
    bool bWriteFails = false;                   // writes are refused and change nothing

    // --- Start at login ---
    bool bStartsAtLogin = false;
    bool bStartAtLoginRefused = false;  // SetStartAtLogin is refused and changes nothing

    // --- Diagnostic builds ---
    std::vector<std::wstring> traceLines;

    // --- The clock ---
    unsigned int nClockMs = 0;  // what MonotonicMs reads; a test moves it on

    void Reset() { *this = FakeSeam(); }

    // The input method says nOpenStatus, typing its own script (bNative) or alphanumerics.
    void AnswerIme(int nOpenStatus, bool bNative = true)
    {
        ime = sys::ImeReading{nOpenStatus, bNative};
    }
    // The settings file's text; empty when there is none.
    std::string Ini() const;
    bool HasIni() const { return files.count(strIniPath) != 0; }
    void WriteIni(const std::string& strContent) { files[strIniPath] = strContent; }
};

extern FakeSeam g_Seam;

// The lines SaveSettings leads to for the three keys every file has, in their order.
Calls SavedKeys(int nPortNumber, int nUpdateTime, int nAutoConnect);
