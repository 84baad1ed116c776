#include "ui/Commands.h"

#include "core/ImePoller.h"
#include "core/PortWatch.h"
#include "core/SerialPort.h"
#include "res/version.h"
#include "settings/Settings.h"
#include "ui/SiteAddress.h"

#include <cwchar>

namespace {

bool s_bCommandRunning = false;

// Marks a command as running for its whole duration.
class CCommandScope {
public:
    CCommandScope() { s_bCommandRunning = true; }
    ~CCommandScope() { s_bCommandRunning = false; }
    CCommandScope(const CCommandScope&) = delete;
    CCommandScope& operator=(const CCommandScope&) = delete;
};

std::wstring Format(const wchar_t* pszFormat, int nValue)
{
    wchar_t szText[128];
    std::swprintf(szText, sizeof szText / sizeof szText[0], pszFormat, nValue);
    return szText;
}

// The list index a stored setting preselects (value n is item n - 1). Anything below 1 selects
// nothing, and any int is safe: the file may hold -2147483648.
int IndexOfSetting(int nValue) { return nValue >= 1 ? nValue - 1 : -1; }

// Connects to nPort as the user just chose. The port is looked at again, because while a dialog or
// question was open an unplugged adapter may have come back and been reconnected by itself: the
// chosen port already open is kept, another open port is closed first.
bool ConnectChosenPort(int nPort)
{
    if (g_Port.IsOpen()) {
        if (g_Port.GetPortNumber() == nPort)
            return true;
        g_Port.Close();
    }
    return ConnectPort(nPort) != FALSE;
}

}  // namespace

std::wstring ConnectMenuLabel()
{
    return g_Port.IsOpen() ? Format(L"切断[COM%d](&P)", g_nPortNumber) : L"接続(&P)";
}

bool IsCommandRunning() { return s_bCommandRunning; }

void ConnectCommand(ICommandHost& host)
{
    CCommandScope scope;
    if (!g_Port.IsOpen()) {
        int nPortIndex = IndexOfSetting(g_nPortNumber);
        if (host.DoPortDialog(nPortIndex) == IDOK) {
            g_nPortNumber = nPortIndex + 1;
            ForgetLostPort();
            if (!ConnectChosenPort(g_nPortNumber))
                host.MessageBox(L"ポートが開けません.", MB_OK | MB_ICONEXCLAMATION);
            // Saved even when the open failed, so the next attempt preselects this port.
            SaveSettings();
        }
    } else if (host.MessageBox(L"ポートを閉じますか？", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        g_Port.Close();
        ForgetLostPort();
    }
    // Whatever happened, the next tick shows the preset for the port state and sets the lines.
    RequestRefresh();
}

void SettingCommand(ICommandHost& host)
{
    CCommandScope scope;
    const int nOldPort = g_nPortNumber;
    int nIntervalIndex = IndexOfSetting(g_nUpdateTime);
    int nPortIndex = IndexOfSetting(g_nPortNumber);
    // The box has two states: a stored value other than 0 or 1 shows unticked.
    int bAutoConnect = g_nAutoConnect == 1 ? 1 : 0;
    if (host.DoSettingDialog(nIntervalIndex, nPortIndex, bAutoConnect) != IDOK)
        return;

    g_nUpdateTime = nIntervalIndex + 1;
    g_nPortNumber = nPortIndex + 1;
    g_nAutoConnect = bAutoConnect == 1 ? 1 : 0;
    ForgetLostPort();

    host.StopPollTimer();
    if (g_Port.IsOpen()) {
        if (g_nPortNumber != nOldPort &&
            host.MessageBox(Format(L"COM%dで接続しなおしますか？", g_nPortNumber),
                            MB_YESNO | MB_ICONQUESTION) == IDYES)
            ConnectChosenPort(g_nPortNumber);
    } else if (host.MessageBox(Format(L"COM%dで接続しますか？", g_nPortNumber),
                               MB_YESNO | MB_ICONQUESTION) == IDYES) {
        // A failed open is silent here: the next tick shows the crossed-out lamp.
        ConnectChosenPort(g_nPortNumber);
    }
    SaveSettings();
    RequestRefresh();
    host.StartPollTimer(PollPeriodMs(g_nUpdateTime));
}

void AboutCommand(ICommandHost& host)
{
    CCommandScope scope;
    wchar_t szText[256];
    std::swprintf(szText, sizeof szText / sizeof szText[0],
                  L"Lumidot Version%ls\r\nCopyright (C) 2026 Lumidot developers\r\n\r\n%ls\r\n",
                  LUMIDOT_ABOUT_VERSION, HomePageUrl());
    host.DoAboutDialog(szText, HelpPageUrl());
}

void HelpPageCommand(ICommandHost& host, const std::wstring& strHelpUrl)
{
    wchar_t szText[512];
    std::swprintf(szText, sizeof szText / sizeof szText[0],
                  L"ヘルプを表示するため\r\n%ls\r\nへ接続しますか？", strHelpUrl.c_str());
    if (host.MessageBox(szText, MB_YESNO | MB_ICONQUESTION) != IDNO)
        host.OpenInBrowser(strHelpUrl);
}

void ExitCommand(ICommandHost& host)
{
    CCommandScope scope;
    if (host.MessageBox(L"終了しますか？", MB_YESNO | MB_ICONQUESTION) != IDNO)
        host.EndProgram();
}
