// The seam between Lumidot's shared logic and the system it runs on.
//
// The logic (core/) asks the system for exactly these operations and speaks only plain C++ types
// here. Each edition supplies them in its own system/ folder, windows/system/ and linux/system/,
// one file per group below: Ime, Tray, SerialPort, Ports, Profile, Session. The logic's unit tests
// run over a fake of these operations (tests/core/fakes/FakeSeam), which must keep the contract
// written here as the real sides do; the seam's contract tests (tests/seam/) hold both to it. Each
// side is tested on its own, over a fake of its system calls.
#pragma once

#include <optional>
#include <string>

namespace sys {

// --- Ime: the input method of the window in front ---

// What the input method of the window in front says.
struct ImeReading {
    // 1 means open (on); anything else is closed. Raw, as the platform reports it.
    int nOpenStatus = 0;
    // Open in a mode that types the language's own script (on Windows IME_CMODE_NATIVE, with Mozc
    // the kana modes), as opposed to alphanumerics. Only asked when bWithMode; true otherwise and
    // where the platform cannot tell.
    bool bNative = true;
};
// Reads the state of the foreground window's input method; bWithMode also asks for its mode.
// Nothing when it did not answer in time: the tick then changes nothing.
std::optional<ImeReading> ReadImeState(bool bWithMode);

// --- Tray: the tray icon ---

// The four lamps of the tray icon.
enum TrayPreset : int {
    TRAY_ON_CONNECTED = 0,
    TRAY_OFF_CONNECTED = 1,
    TRAY_ON_DISCONNECTED = 2,
    TRAY_OFF_DISCONNECTED = 3,
    TRAY_PRESET_COUNT = 4
};
// Switches the tray icon's picture and tip to preset nPreset.
void ShowTrayPreset(int nPreset);

// --- SerialPort: the LED port ---
// Ports are named the platform's way: "COM3" on Windows, a device path on Linux.

// What a line change found: done, refused (the port stays ours), or the device is gone.
enum class LineResult { Ok, Failed, Gone };
// The modem lines the LED is wired to.
enum class LedLines { Both, Dtr, Rts };
// Raises (bRaise) or drops the chosen modem lines of the open LED port, DTR first; a line not
// chosen is never touched. Gone only when the error says the device went away; an adapter that
// drives only one of both lines keeps working on it.
LineResult SetLedLines(LedLines lines, bool bRaise);

// Opens strPort exclusively at 9600 baud, 8 data bits, no parity, one stop bit; nothing is ever
// written to it. Refused without asking the system while a port is open (reopening would let go
// of a working handle, then fail against our own exclusive open) and for a name that is no port.
bool OpenLedPort(const std::wstring& strPort);
// Whether the last OpenLedPort found the port there but not ours for now: held by another program
// or access denied, as while a modem manager probes a new adapter. Worth another try shortly,
// unlike a port that is not there. False after a successful open and after a refusal made without
// asking the system.
bool LastOpenWasBusy();
// Why the last OpenLedPort failed, as far as the user can do something about it: nothing known
// (None), another program holds the port, its rights are not ours (strGroup: the group that may
// open it, empty where joining a group would not help), or it is no port the LED may use: the
// terminal of some login session, or no serial line at all. Such a terminal is refused before
// anything about it changes. None after a successful open.
enum class OpenProblem { None, Held, NoRights, SessionTerminal, NotSerial };
struct OpenFailure {
    OpenProblem problem = OpenProblem::None;
    std::wstring strGroup;
};
OpenFailure LastOpenFailure();
bool IsLedPortOpen();
// The open port's name; empty while closed. It can differ from the configured port after a
// declined reconnect.
std::wstring LedPortName();
// Closes the port. Where the system lets a closed port's lines be (Linux), the chosen lines are
// left as the last SetLedLinesAtClose asked since the port was opened, and otherwise as they are;
// Windows' drivers drop DTR and RTS on close whatever was asked.
void CloseLedPort();
// The state the chosen lines are to be left in when the open port is closed: raised (bRaise) or
// dropped. Changes nothing until then.
void SetLedLinesAtClose(LedLines lines, bool bRaise);

// --- Ports: how ports are named and kept ---

// The settings keep the configured port as the platform needs it: Windows as a COM number
// (PortNumber), Linux as a device path (PortDevice). These turn one into the other.
std::wstring PortOfSettings(int nPortNumber, const std::wstring& strPortDevice);
void PortToSettings(const std::wstring& strPort, int& nPortNumber, std::wstring& strPortDevice);
// How the menu and the questions name a port: "COM3", "ttyUSB0".
std::wstring PortDisplayName(const std::wstring& strPort);
// The port a device notification names, spelled as PortOfSettings spells it; empty when it
// names no port.
std::wstring CanonicalPortName(const std::wstring& strName);

// --- Profile: the settings file ---

// Where Lumidot.ini lives: beside the exe on Windows, in the user's configuration folder on
// Linux.
std::wstring GetIniPath();
// The private-profile calls, with the Windows lookup rules. pszDefault is returned for a missing
// file, section or key; at most cchBuffer - 1 characters are returned.
std::wstring ReadPrivateProfile(const wchar_t* pszSection, const wchar_t* pszKey,
                                const wchar_t* pszDefault, unsigned int cchBuffer,
                                const wchar_t* pszPath);
bool WritePrivateProfile(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue,
                         const wchar_t* pszPath);

// --- Session: start at login, the user's language, traces, the clock ---

// Whether the system starts this copy of Lumidot when the user logs in: on Windows the Run key
// names this exe, on Linux an autostart entry runs this program. An entry for a copy elsewhere
// (a moved exe) does not count.
bool IsStartAtLoginOn();
// Makes the system start this copy at login, or stops it; false when the system refused.
bool SetStartAtLogin(bool bOn);

// The text the user sees for one of core/Texts.h's texts: the text itself on Windows and on a
// Japanese desktop, its translation in the desktop's language elsewhere on Linux.
std::wstring LocalText(const wchar_t* pszText);

// Writes one trace line where a debugger sees it (diagnostic builds only).
void TraceLine(const wchar_t* pszLine);

// Milliseconds on a clock that only moves forward and wraps around at 2^32 (about 49 days): only
// the difference of two readings means anything.
unsigned int MonotonicMs();

}  // namespace sys
