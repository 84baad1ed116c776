#include "tests/core/fakes/FakeSeam.h"

#include "core/ini/IniFile.h"
#include "core/ini/Utf8.h"

#include <algorithm>
#include <climits>
#include <optional>

FakeSeam g_Seam;

namespace {

void Record(std::string strLine) { g_Seam.calls.push_back(std::move(strLine)); }

const char* OnOff(bool bOn) { return bOn ? "on" : "off"; }

const char* PresetName(int nPreset)
{
    switch (nPreset) {
    case sys::TRAY_ON_CONNECTED:
        return "ON_CONNECTED";
    case sys::TRAY_OFF_CONNECTED:
        return "OFF_CONNECTED";
    case sys::TRAY_ON_DISCONNECTED:
        return "ON_DISCONNECTED";
    case sys::TRAY_OFF_DISCONNECTED:
        return "OFF_DISCONNECTED";
    default:
        return "?";
    }
}

// The number of "COMn" ("com3" too when bAnyCase), with a sign and saturated to the int range as
// PortOfSettings may spell any stored number; nothing for any other name.
std::optional<int> ComNumber(const std::wstring& strName, bool bAnyCase)
{
    std::wstring strPrefix = strName.substr(0, 3);
    if (bAnyCase)
        std::transform(strPrefix.begin(), strPrefix.end(), strPrefix.begin(),
                       [](wchar_t ch) { return ch >= L'a' && ch <= L'z' ? ch - L'a' + L'A' : ch; });
    if (strPrefix != L"COM")
        return std::nullopt;
    std::size_t i = 3;
    const bool bNegative = i < strName.size() && strName[i] == L'-';
    if (bNegative)
        ++i;
    if (i == strName.size())
        return std::nullopt;
    long long nValue = 0;
    for (; i < strName.size(); ++i) {
        if (strName[i] < L'0' || strName[i] > L'9')
            return std::nullopt;
        nValue = std::min(nValue * 10 + (strName[i] - L'0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (bNegative)
        return static_cast<int>(-nValue);
    return static_cast<int>(std::min(nValue, static_cast<long long>(INT_MAX)));
}

// A name the seam can open: COM1 and up, spelled as PortOfSettings spells it.
bool IsPort(const std::wstring& strName)
{
    const std::optional<int> nNumber = ComNumber(strName, false);
    return nNumber && *nNumber >= 1 && strName == sys::PortOfSettings(*nNumber, L"");
}

}  // namespace

std::string FakeSeam::Ini() const
{
    auto it = files.find(strIniPath);
    return it == files.end() ? std::string() : it->second;
}

Calls SavedKeys(int nPortNumber, int nUpdateTime, int nAutoConnect)
{
    return {"WriteProfile(PortNumber=" + std::to_string(nPortNumber) + ")",
            "WriteProfile(UpdateTime=" + std::to_string(nUpdateTime) + ")",
            "WriteProfile(AutoConnect=" + std::to_string(nAutoConnect) + ")"};
}

namespace sys {

std::optional<ImeReading> ReadImeState(bool bWithMode)
{
    g_Seam.reads.push_back(bWithMode ? "ReadIme(mode)" : "ReadIme");
    const std::optional<ImeReading> answer = g_Seam.ime;
    if (g_Seam.onReadIme)
        g_Seam.onReadIme();
    if (!answer || (bWithMode && !g_Seam.bModeAnswers))
        return std::nullopt;
    ImeReading reading = *answer;
    // The mode is only reported when asked for.
    if (!bWithMode)
        reading.bNative = true;
    return reading;
}

void ShowTrayPreset(int nPreset)
{
    Record(std::string("Tray(") + PresetName(nPreset) + ")");
    if (g_Seam.onTray)
        g_Seam.onTray();
}

void ShowCaretLamp(CaretLamp state)
{
    const char* const names[] = {"none", "lit", "dark"};  // in the order of CaretLamp's values
    Record(std::string("CaretLamp(") + names[int(state)] + ")");
    g_Seam.caretLamp = state;
}

LineResult SetLedLines(LedLines lines, bool bRaise)
{
    const char* pszLines = lines == LedLines::Dtr ? "DTR " : lines == LedLines::Rts ? "RTS " : "";
    Record(std::string("Lines(") + pszLines + OnOff(bRaise) + ")");
    // A closed port has no lines to move.
    if (g_Seam.strOpenPort.empty())
        return LineResult::Failed;
    return g_Seam.lineResult;
}

bool OpenLedPort(const std::wstring& strPort)
{
    Record("Open(" + ToUtf8(strPort) + ")");
    g_Seam.bLastOpenBusy = false;
    g_Seam.lastFailure = {};
    if (!g_Seam.strOpenPort.empty() || !IsPort(strPort))
        return false;
    const bool bAbsent = g_Seam.bOpenFails || g_Seam.failingPorts.count(strPort) != 0;
    if (bAbsent || g_Seam.busyPorts.count(strPort) != 0) {
        g_Seam.bLastOpenBusy = !bAbsent;
        g_Seam.lastFailure = g_Seam.refusal;
        return false;
    }
    g_Seam.strOpenPort = strPort;
    g_Seam.lineResult = LineResult::Ok;
    return true;
}

bool LastOpenWasBusy() { return g_Seam.bLastOpenBusy; }

OpenFailure LastOpenFailure() { return g_Seam.lastFailure; }

bool IsLedPortOpen() { return !g_Seam.strOpenPort.empty(); }

std::wstring LedPortName() { return g_Seam.strOpenPort; }

void CloseLedPort()
{
    Record("Close");
    g_Seam.strOpenPort.clear();
}

// As on Windows, whose drivers drop the lines on close whatever was asked.
void SetLedLinesAtClose(LedLines, bool) {}

std::wstring PortOfSettings(int nPortNumber, const std::wstring&)
{
    return L"COM" + std::to_wstring(nPortNumber);
}

void PortToSettings(const std::wstring& strPort, int& nPortNumber, std::wstring&)
{
    nPortNumber = ComNumber(strPort, false).value_or(0);
}

std::wstring PortDisplayName(const std::wstring& strPort) { return strPort; }

std::wstring CanonicalPortName(const std::wstring& strName)
{
    const std::optional<int> nNumber = ComNumber(strName, true);
    return nNumber && *nNumber >= 1 ? PortOfSettings(*nNumber, L"") : L"";
}

std::wstring GetIniPath() { return g_Seam.strIniPath; }

std::wstring ReadPrivateProfile(const wchar_t* pszSection, const wchar_t* pszKey,
                                const wchar_t* pszDefault, unsigned int cchBuffer,
                                const wchar_t* pszPath)
{
    g_Seam.reads.push_back("ReadProfile(" + ToUtf8(pszKey) + ")");
    std::wstring strValue = pszDefault ? pszDefault : L"";
    auto it = g_Seam.files.find(pszPath);
    if (it != g_Seam.files.end()) {
        if (std::optional<std::string> strRead =
                ini::ReadValue(it->second, ToUtf8(pszSection), ToUtf8(pszKey)))
            strValue = FromUtf8(*strRead);
    }
    if (cchBuffer == 0)
        return std::wstring();
    return strValue.substr(0, cchBuffer - 1);
}

bool WritePrivateProfile(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue,
                         const wchar_t* pszPath)
{
    Record("WriteProfile(" + ToUtf8(pszKey) + "=" + ToUtf8(pszValue) + ")");
    if (g_Seam.bWriteFails)
        return false;
    std::string& strContent = g_Seam.files[pszPath];
    strContent = ini::WriteValue(strContent, ToUtf8(pszSection), ToUtf8(pszKey), ToUtf8(pszValue));
    return true;
}

bool IsStartAtLoginOn() { return g_Seam.bStartsAtLogin; }

bool SetStartAtLogin(bool bOn)
{
    Record(std::string("StartAtLogin(") + OnOff(bOn) + ")");
    if (g_Seam.bStartAtLoginRefused)
        return false;
    g_Seam.bStartsAtLogin = bOn;
    return true;
}

// The texts as the Windows edition shows them: the table's own.
std::wstring LocalText(const wchar_t* pszText) { return pszText; }

void TraceLine(const wchar_t* pszLine) { g_Seam.traceLines.push_back(pszLine); }

unsigned int MonotonicMs() { return g_Seam.nClockMs; }

}  // namespace sys
