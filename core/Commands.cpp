#include "core/Commands.h"

#include "core/ImePoller.h"
#include "core/LedPort.h"
#include "core/Platform.h"
#include "core/PortWatch.h"
#include "core/Settings.h"
#include "core/SiteAddress.h"
#include "core/Texts.h"
#include "version.h"

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

// One of the shared texts in the user's language, its %s filled in.
std::wstring Local(const wchar_t* pszText, const std::wstring& strFirst,
                   const std::wstring& strSecond = std::wstring())
{
    return texts::Fill(sys::LocalText(pszText).c_str(), strFirst, strSecond);
}

// The configured port as the menu and the questions name it.
std::wstring PortName() { return sys::PortDisplayName(ConfiguredPort()); }

// The interval list's item for a stored UpdateTime (value n is item n - 1). Anything below 1
// selects nothing, and any int is safe: the file may hold -2147483648.
int IntervalIndexOf(int nUpdateTime) { return nUpdateTime >= 1 ? nUpdateTime - 1 : -1; }

// Connects to strPort as the user just chose. The port is looked at again, because while a dialog
// or question was open an unplugged adapter may have come back and been reconnected by itself: the
// chosen port already open is kept, another open port is closed first.
bool ConnectChosenPort(const std::wstring& strPort)
{
    if (sys::IsLedPortOpen()) {
        if (sys::LedPortName() == strPort)
            return true;
        sys::CloseLedPort();
    }
    return ConnectPort(strPort);
}

// The lines' list item for a stored LedLines value, which is also the value an item stores: 1 DTR
// only, 2 RTS only, 0 both; an odd stored value shows as the both it acts as.
int LedLinesItem(int nLedLines) { return nLedLines == 1 || nLedLines == 2 ? nLedLines : 0; }

}  // namespace

std::wstring ConnectMenuLabel()
{
    return sys::IsLedPortOpen() ? Local(texts::kDisconnectLabel, PortName())
                                : sys::LocalText(texts::MenuLabel(texts::MenuCommand::Connect));
}

Command CommandOf(texts::MenuCommand command)
{
    switch (command) {
    case texts::MenuCommand::Connect:
        return ConnectCommand;
    case texts::MenuCommand::Setting:
        return SettingCommand;
    case texts::MenuCommand::About:
        return AboutCommand;
    case texts::MenuCommand::Exit:
        return ExitCommand;
    default:
        return nullptr;
    }
}

bool IsCommandRunning() { return s_bCommandRunning; }

void ConnectCommand(ICommandHost& host)
{
    CCommandScope scope;
    if (!sys::IsLedPortOpen()) {
        const std::wstring strOldPort = ConfiguredPort();
        std::wstring strPort = strOldPort;
        if (host.DoPortDialog(strPort) == Answer::Ok) {
            SetConfiguredPort(strPort);
            // A port lost earlier comes back by itself only while it is the one the user wants.
            if (ConfiguredPort() != strOldPort)
                ForgetLostPort();
            if (!ConnectChosenPort(ConfiguredPort()))
                host.ShowMessageBox(PortOpenFailedText(), MessageKind::Warning);
            // Saved even when the open failed, so the next attempt preselects this port.
            SaveSettings();
        }
    } else if (host.ShowMessageBox(sys::LocalText(texts::kCloseQuestion), MessageKind::Question) ==
               Answer::Yes) {
        sys::CloseLedPort();
        ForgetLostPort();
    }
    // Whatever happened, the next tick shows the preset for the port state and sets the lines.
    RequestRefresh();
}

void SettingCommand(ICommandHost& host)
{
    CCommandScope scope;
    const std::wstring strOldPort = ConfiguredPort();
    SettingChoices choices;
    choices.nIntervalIndex = IntervalIndexOf(g_nUpdateTime);
    choices.strPort = strOldPort;
    // The boxes have two states: a stored value other than 0 or 1 shows unticked.
    choices.bAutoConnect = g_nAutoConnect == 1 ? 1 : 0;
    choices.bAlnumOff = g_nAlnumOff == 1 ? 1 : 0;
    choices.nLedLines = LedLinesItem(g_nLedLines);
    choices.bLedInverted = g_nLedInverted == 1 ? 1 : 0;
    // What the system really does, not what we last asked of it.
    const int bStartsAtLogin = sys::IsStartAtLoginOn() ? 1 : 0;
    choices.bStartAtLogin = bStartsAtLogin;
    if (host.DoSettingDialog(choices) != Answer::Ok)
        return;

    g_nUpdateTime = choices.nIntervalIndex + 1;
    SetConfiguredPort(choices.strPort);
    g_nAutoConnect = choices.bAutoConnect == 1 ? 1 : 0;
    g_nAlnumOff = choices.bAlnumOff == 1 ? 1 : 0;
    g_nLedLines = LedLinesItem(choices.nLedLines);
    g_nLedInverted = choices.bLedInverted == 1 ? 1 : 0;
    // Left alone unless the user changed the box: an entry of another copy shows unticked and
    // stays, unless the user ticks the box to start this one instead.
    if ((choices.bStartAtLogin == 1 ? 1 : 0) != bStartsAtLogin)
        sys::SetStartAtLogin(choices.bStartAtLogin == 1);
    // A port lost earlier comes back by itself unless the user's answers say it is no longer
    // wanted: another port chosen, or the offer to connect it declined.
    if (ConfiguredPort() != strOldPort)
        ForgetLostPort();

    host.StopPollTimer();
    if (sys::IsLedPortOpen()) {
        if (ConfiguredPort() != strOldPort &&
            host.ShowMessageBox(Local(texts::kReconnectQuestion, PortName()),
                                MessageKind::Question) == Answer::Yes)
            ConnectChosenPort(ConfiguredPort());
    } else if (host.ShowMessageBox(Local(texts::kConnectQuestion, PortName()),
                                   MessageKind::Question) == Answer::Yes) {
        // A failed open is silent here: the next tick shows the crossed-out lamp.
        ConnectChosenPort(ConfiguredPort());
    } else {
        ForgetLostPort();
    }
    SaveSettings();
    RequestRefresh();
    host.StartPollTimer(PollPeriodMs(g_nUpdateTime));
}

void AboutCommand(ICommandHost& host)
{
    CCommandScope scope;
    host.DoAboutDialog(Local(texts::kAboutText, LUMIDOT_ABOUT_VERSION, HomePageUrl()),
                       HelpPageUrl());
}

void HelpPageCommand(ICommandHost& host, const std::wstring& strHelpUrl)
{
    if (host.ShowMessageBox(Local(texts::kHelpQuestion, strHelpUrl), MessageKind::Question) !=
        Answer::No)
        host.OpenInBrowser(strHelpUrl);
}

void ExitCommand(ICommandHost& host)
{
    CCommandScope scope;
    if (host.ShowMessageBox(sys::LocalText(texts::kExitQuestion), MessageKind::Question) !=
        Answer::No)
        host.EndProgram();
}
