// What the menu commands need from the user interface. Each front-end provides it (the hidden main
// dialog on Windows, the application object on Linux); the unit tests provide a scripted stand-in,
// so the commands' logic (what is asked, in which order, what is saved) is tested without windows.
#pragma once

#include <string>

// The button that closed a dialog or a message box.
enum class Answer { Ok, Cancel, Yes, No };

// The two kinds of message box the commands show: a warning with an OK button, and a yes/no
// question.
enum class MessageKind { Warning, Question };

// What the settings dialog shows and, on OK, what the user chose.
struct SettingChoices {
    int nIntervalIndex = -1;  // item i stands for (i + 1) x 100 ms; -1: nothing chosen
    std::wstring strPort;     // named the platform's way; empty: nothing chosen
    int bAutoConnect = 0;     // open the port at start-up
    int bAlnumOff = 0;        // typing alphanumerics counts as IME off
    int bStartAtLogin = 0;    // the system starts Lumidot when the user logs in
    int nLedLines = 0;        // the LED's lines: 0 DTR and RTS, 1 DTR only, 2 RTS only
    int bLedInverted = 0;     // the LED is lit while its lines are dropped
    int bCaretLamp = 0;       // a lamp also shows at the text caret
};

class ICommandHost {
public:
    // The port dialog shows strPort (the configured port, named the platform's way) preselected
    // and, on OK, leaves the chosen port there (empty when none was chosen). The front-end owns
    // the list of ports it offers.
    virtual Answer DoPortDialog(std::wstring& strPort) = 0;
    // The settings dialog: shows choices and, on OK, leaves the user's there.
    virtual Answer DoSettingDialog(SettingChoices& choices) = 0;
    virtual void DoAboutDialog(const std::wstring& strText, const std::wstring& strHelpUrl) = 0;
    // A message box captioned with the application title; returns the button pressed.
    virtual Answer ShowMessageBox(const std::wstring& strText, MessageKind kind) = 0;

    virtual void StopPollTimer() = 0;
    virtual void StartPollTimer(unsigned int nPeriodMs) = 0;
    // Ends the program; shutdown follows.
    virtual void EndProgram() = 0;
    virtual void OpenInBrowser(const std::wstring& strUrl) = 0;

protected:
    ~ICommandHost() = default;
};
