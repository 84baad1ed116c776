#include "core/Commands.h"
#include "core/ini/Utf8.h"
#include "windows/unit/fakes/LogicTest.h"
#include "windows/unit/fakes/TempExeFolder.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <functional>

namespace {

const std::string kQuestion = std::to_string(MB_YESNO | MB_ICONQUESTION);
const std::string kWarning = std::to_string(MB_OK | MB_ICONEXCLAMATION);

Answer AnswerOf(INT_PTR nResult)
{
    switch (nResult) {
    case IDOK:
        return Answer::Ok;
    case IDYES:
        return Answer::Yes;
    case IDNO:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

// Plays the user: answers each dialog and question from a script, and logs what was shown into
// the same call list as the system calls, so the order across both is visible. Its dialogs list
// ports as the Windows ones do (item i is COM(i + 1)), so scripts and checks speak in list items.
class CFakeHost : public ICommandHost {
public:
    struct Dialog {
        INT_PTR nResult = IDOK;
        int nIntervalIndex = -2, nPortIndex = -2, bAutoConnect = -2;  // -2: leave as shown
        int bAlnumOff = -2, bStartAtLogin = -2;
    };
    std::deque<Dialog> dialogs;
    std::deque<int> answers;
    // Shown by the dialogs: what they were preset with.
    int nShownInterval = 0, nShownPort = 0, bShownAuto = 0, bShownAlnum = 0, bShownStart = 0;
    std::function<void()> onDialog;  // runs while a dialog is open

    Answer DoPortDialog(std::wstring& strPort) override
    {
        g_Fake.calls.push_back("PortDialog");
        int nPortIndex = nShownPort = ComboIndexOfPort(strPort);
        Dialog d = Next();
        if (d.nResult == IDOK && d.nPortIndex != -2)
            nPortIndex = d.nPortIndex;
        if (d.nResult == IDOK)
            strPort = PortOfComboIndex(nPortIndex);
        return AnswerOf(d.nResult);
    }
    Answer DoSettingDialog(SettingChoices& choices) override
    {
        g_Fake.calls.push_back("SettingDialog");
        nShownInterval = choices.nIntervalIndex;
        int nPortIndex = nShownPort = ComboIndexOfPort(choices.strPort);
        bShownAuto = choices.bAutoConnect;
        bShownAlnum = choices.bAlnumOff;
        bShownStart = choices.bStartAtLogin;
        Dialog d = Next();
        if (d.nResult == IDOK) {
            Take(d.nIntervalIndex, choices.nIntervalIndex);
            Take(d.nPortIndex, nPortIndex);
            Take(d.bAutoConnect, choices.bAutoConnect);
            Take(d.bAlnumOff, choices.bAlnumOff);
            Take(d.bStartAtLogin, choices.bStartAtLogin);
            choices.strPort = PortOfComboIndex(nPortIndex);
        }
        return AnswerOf(d.nResult);
    }
    void DoAboutDialog(const std::wstring& strText, const std::wstring& strHelpUrl) override
    {
        g_Fake.calls.push_back("AboutDialog");
        strAboutText = strText;
        strHelp = strHelpUrl;
    }
    Answer ShowMessageBox(const std::wstring& strText, MessageKind kind) override
    {
        g_Fake.calls.push_back("MessageBox(" + ToUtf8(strText) + "," +
                               (kind == MessageKind::Question ? kQuestion : kWarning) + ")");
        if (onDialog)
            onDialog();
        int nAnswer = answers.empty() ? IDOK : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return AnswerOf(nAnswer);
    }
    void StopPollTimer() override { g_Fake.calls.push_back("KillTimer"); }
    void StartPollTimer(unsigned int nPeriodMs) override
    {
        g_Fake.calls.push_back("SetTimer(" + std::to_string(nPeriodMs) + ")");
    }
    void EndProgram() override { g_Fake.calls.push_back("EndProgram"); }
    void OpenInBrowser(const std::wstring& strUrl) override
    {
        g_Fake.calls.push_back("Open(" + ToUtf8(strUrl) + ")");
    }

    std::wstring strAboutText, strHelp;

private:
    static void Take(int nScripted, int& nValue)
    {
        if (nScripted != -2)
            nValue = nScripted;
    }
    Dialog Next()
    {
        if (onDialog)
            onDialog();
        Dialog d = dialogs.empty() ? Dialog{IDCANCEL} : dialogs.front();
        if (!dialogs.empty())
            dialogs.pop_front();
        return d;
    }
};

const Calls kOpenSequence = {"CreateFile",
                             "GetCommState",
                             "SetCommState",
                             "SetCommTimeouts",
                             "EscapeCommFunction(CLRDTR)",
                             "EscapeCommFunction(CLRRTS)"};

Calls Concat(Calls a, const Calls& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class CommandsTest : public CLogicTest {
protected:
    void SetUp() override
    {
        CLogicTest::SetUp();
        RegisterTray();
        m_folder = std::make_unique<CTempExeFolder>();
        g_nPortNumber = 3;
        g_nLastOpenStatus = 1;
    }
    std::string Ini() const { return m_folder->ReadIni(); }

    CFakeHost host;
    std::unique_ptr<CTempExeFolder> m_folder;
};

// --- Tray menu label ---

TEST_F(CommandsTest, TheFirstMenuItemNamesTheConnectedPortOrOffersToConnect)
{
    EXPECT_EQ(ConnectMenuLabel(), L"接続(&P)");
    Connect(3);
    EXPECT_EQ(ConnectMenuLabel(), L"切断[COM3](&P)");
}

// --- Connect and disconnect ---

TEST_F(CommandsTest, ConnectPreselectsTheStoredPortOpensTheChosenOneAndSavesIt)
{
    host.dialogs = {{IDOK, -2, 6}};
    ConnectCommand(host);
    EXPECT_EQ(host.nShownPort, 2);
    EXPECT_EQ(g_nPortNumber, 7);
    EXPECT_EQ(g_Fake.strLastDevice, L"\\\\.\\COM7");
    EXPECT_EQ(g_Fake.calls, Concat({"PortDialog"}, kOpenSequence));
    EXPECT_NE(Ini().find("PortNumber=7"), std::string::npos);
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(CommandsTest, AFailedOpenWarnsAndStillSavesTheChosenPort)
{
    g_Fake.hNextComm = INVALID_HANDLE_VALUE;
    host.dialogs = {{IDOK, -2, 4}};
    ConnectCommand(host);
    EXPECT_EQ(g_Fake.calls, (Calls{"PortDialog", "CreateFile",
                                   "MessageBox(ポートが開けません.," + kWarning + ")"}));
    EXPECT_NE(Ini().find("PortNumber=5"), std::string::npos);
    EXPECT_FALSE(g_Port.IsOpen());
}

TEST_F(CommandsTest, NoPortChosenStoresZeroWhichFailsAtOnceWithTheWarning)
{
    g_nPortNumber = 42;
    host.dialogs = {{IDOK, -2, -1}};  // the combo shows no selection
    ConnectCommand(host);
    EXPECT_EQ(host.nShownPort, 41);
    EXPECT_EQ(g_nPortNumber, 0);
    EXPECT_EQ(g_Fake.calls,
              (Calls{"PortDialog", "MessageBox(ポートが開けません.," + kWarning + ")"}));
    EXPECT_NE(Ini().find("PortNumber=0"), std::string::npos);
}

TEST_F(CommandsTest, CancellingThePortDialogChangesNothingButTheSentinel)
{
    host.dialogs = {{IDCANCEL}};
    ConnectCommand(host);
    EXPECT_EQ(g_Fake.calls, Calls{"PortDialog"});
    EXPECT_EQ(g_nPortNumber, 3);
    EXPECT_FALSE(std::filesystem::exists(m_folder->IniPath()));
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(CommandsTest, DisconnectAsksAndYesClosesWithoutTouchingTheLinesOrTheFile)
{
    Connect(3);
    host.answers = {IDYES};
    ConnectCommand(host);
    EXPECT_EQ(g_Fake.calls,
              (Calls{"MessageBox(ポートを閉じますか？," + kQuestion + ")", "CloseHandle"}));
    EXPECT_FALSE(g_Port.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(m_folder->IniPath()));
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(CommandsTest, AnsweringNoKeepsThePortOpenYetTheNextTickReappliesIconAndLines)
{
    Connect(3);
    host.answers = {IDNO};
    ConnectCommand(host);
    EXPECT_TRUE(g_Port.IsOpen());
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

// --- Exit ---

TEST_F(CommandsTest, ExitEndsTheProgramOnAnyAnswerButNo)
{
    host.answers = {IDNO, IDYES};
    ExitCommand(host);
    ExitCommand(host);
    EXPECT_EQ(g_Fake.calls, (Calls{"MessageBox(終了しますか？," + kQuestion + ")",
                                   "MessageBox(終了しますか？," + kQuestion + ")", "EndProgram"}));
}

// --- One command at a time ---

TEST_F(CommandsTest, ACommandIsMarkedRunningOnlyWhileItsDialogOrQuestionIsOpen)
{
    bool bRunningInside = false;
    host.onDialog = [&] { bRunningInside = IsCommandRunning(); };
    host.dialogs = {{IDCANCEL}};
    ConnectCommand(host);
    EXPECT_TRUE(bRunningInside);
    EXPECT_FALSE(IsCommandRunning());

    bRunningInside = false;
    host.answers = {IDNO};
    ExitCommand(host);
    EXPECT_TRUE(bRunningInside);
    EXPECT_FALSE(IsCommandRunning());
}

// --- Operation settings ---

TEST_F(CommandsTest, SettingsDialogShowsTheStoredValues)
{
    g_nUpdateTime = 12;  // outside the list: no selection
    g_nAutoConnect = 1;
    host.dialogs = {{IDCANCEL}};
    SettingCommand(host);
    EXPECT_EQ(host.nShownInterval, 11);
    EXPECT_EQ(host.nShownPort, 2);
    EXPECT_EQ(host.bShownAuto, 1);
}

TEST_F(CommandsTest, CancelledSettingsLeaveTimerPortSentinelAndFileAlone)
{
    Connect(3);
    host.dialogs = {{IDCANCEL, 0, 5, 1}};
    SettingCommand(host);
    EXPECT_EQ(g_Fake.calls, Calls{"SettingDialog"});
    EXPECT_EQ(g_nLastOpenStatus, 1);
    EXPECT_EQ(g_nUpdateTime, 5);
    EXPECT_FALSE(std::filesystem::exists(m_folder->IniPath()));
}

TEST_F(CommandsTest, ChangingOnlyTheIntervalWhileConnectedAsksNothing)
{
    Connect(3);
    host.dialogs = {{IDOK, 1, -2, -2}};
    SettingCommand(host);
    EXPECT_EQ(g_Fake.calls, (Calls{"SettingDialog", "KillTimer", "SetTimer(200)"}));
    EXPECT_TRUE(g_Port.IsOpen());
    EXPECT_EQ(Ini(), "[Setting]\r\nPortNumber=3\r\nUpdateTime=2\r\nAutoConnect=0\r\n");
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(CommandsTest, AChangedPortWhileConnectedOffersToReconnect)
{
    Connect(3);
    host.dialogs = {{IDOK, -2, 7, -2}};
    host.answers = {IDYES};
    SettingCommand(host);
    EXPECT_EQ(g_Fake.calls,
              Concat({"SettingDialog", "KillTimer",
                      "MessageBox(COM8で接続しなおしますか？," + kQuestion + ")", "CloseHandle"},
                     Concat(kOpenSequence, {"SetTimer(500)"})));
    EXPECT_EQ(g_Fake.strLastDevice, L"\\\\.\\COM8");
}

TEST_F(CommandsTest, DecliningTheReconnectKeepsTheOldPortWhileTheNewNumberIsSaved)
{
    Connect(3);
    host.dialogs = {{IDOK, -2, 7, -2}};
    host.answers = {IDNO};
    SettingCommand(host);
    EXPECT_TRUE(g_Port.IsOpen());
    EXPECT_EQ(g_Port.GetPortNumber(), 3);
    EXPECT_EQ(ConnectMenuLabel(), L"切断[COM8](&P)");
    EXPECT_NE(Ini().find("PortNumber=8"), std::string::npos);
}

TEST_F(CommandsTest, EveryConfirmedDialogWhileDisconnectedOffersToConnect)
{
    host.dialogs = {{IDOK}, {IDOK}};
    host.answers = {IDNO, IDYES};
    SettingCommand(host);
    EXPECT_FALSE(g_Port.IsOpen());
    EXPECT_NE(Ini().find("PortNumber=3"), std::string::npos);

    g_Fake.calls.clear();
    SettingCommand(host);
    EXPECT_EQ(g_Fake.calls, Concat({"SettingDialog", "KillTimer",
                                    "MessageBox(COM3で接続しますか？," + kQuestion + ")"},
                                   Concat(kOpenSequence, {"SetTimer(500)"})));
    EXPECT_TRUE(g_Port.IsOpen());
}

TEST_F(CommandsTest, NothingChosenStoresZerosAndAFailedConnectIsSilent)
{
    g_nUpdateTime = 0;
    g_nPortNumber = 0;
    host.dialogs = {{IDOK}};
    host.answers = {IDYES};
    SettingCommand(host);
    EXPECT_EQ(g_Fake.calls,
              (Calls{"SettingDialog", "KillTimer",
                     "MessageBox(COM0で接続しますか？," + kQuestion + ")", "SetTimer(500)"}));
    EXPECT_EQ(Ini(), "[Setting]\r\nPortNumber=0\r\nUpdateTime=0\r\nAutoConnect=0\r\n");
}

TEST_F(CommandsTest, TheAutoConnectBoxShowsAnOddValueUntickedAndStoresOnlyZeroOrOne)
{
    host.answers = {IDNO, IDNO, IDNO};
    g_nAutoConnect = 2;
    host.dialogs = {{IDOK}};
    SettingCommand(host);
    EXPECT_EQ(host.bShownAuto, 0);
    EXPECT_EQ(g_nAutoConnect, 0);

    host.dialogs = {{IDOK, -2, -2, 1}};
    SettingCommand(host);
    EXPECT_EQ(g_nAutoConnect, 1);

    host.dialogs = {{IDOK, -2, -2, 0}};
    SettingCommand(host);
    EXPECT_EQ(g_nAutoConnect, 0);
}

TEST_F(CommandsTest, ExtremeStoredValuesSelectNothingAndOverflowNothing)
{
    for (int nValue : {INT_MIN, INT_MAX}) {
        g_nPortNumber = g_nUpdateTime = nValue;
        host.dialogs = {{IDCANCEL}, {IDCANCEL}};
        ConnectCommand(host);
        EXPECT_EQ(host.nShownPort, nValue == INT_MIN ? -1 : INT_MAX - 1);
        SettingCommand(host);
        EXPECT_EQ(host.nShownInterval, nValue == INT_MIN ? -1 : INT_MAX - 1);

        // Confirmed as shown; the lists of the real dialogs hold nothing at that index.
        host.dialogs = {{IDOK, -1, -1, -2}};
        host.answers = {IDNO};
        SettingCommand(host);
        EXPECT_EQ(g_nUpdateTime, 0);
        EXPECT_EQ(g_nPortNumber, 0);
    }
}

TEST_F(CommandsTest, TheStartBoxShowsWhatTheSystemDoesAndChangesItOnlyWhenTheUserDoes)
{
    const std::wstring kRunValue = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Lumidot";
    host.answers = {IDNO, IDNO, IDNO};
    // An entry of a copy elsewhere shows unticked and survives an untouched box.
    g_Fake.registry[kRunValue] = L"\"C:\\Old\\Lumidot.exe\"";
    host.dialogs = {{IDOK}};
    SettingCommand(host);
    EXPECT_EQ(host.bShownStart, 0);
    EXPECT_EQ(g_Fake.registry[kRunValue], L"\"C:\\Old\\Lumidot.exe\"");

    CFakeHost::Dialog tick{IDOK};
    tick.bStartAtLogin = 1;
    host.dialogs = {tick};
    SettingCommand(host);
    EXPECT_TRUE(sys::IsStartAtLoginOn());

    CFakeHost::Dialog untick{IDOK};
    untick.bStartAtLogin = 0;
    host.dialogs = {untick};
    SettingCommand(host);
    EXPECT_EQ(host.bShownStart, 1);
    EXPECT_EQ(g_Fake.registry.count(kRunValue), 0u);
}

// --- About ---

TEST_F(CommandsTest, AboutShowsNameVersionCreditAndHomePage)
{
    AboutCommand(host);
    const std::wstring& t = host.strAboutText;
    EXPECT_EQ(t.rfind(L"Lumidot Version1.00\r\n", 0), 0u);
    const size_t nBlank = t.find(L"\r\n\r\n");
    ASSERT_NE(nBlank, std::wstring::npos);
    EXPECT_EQ(t.substr(nBlank + 4), L"http://lumidot.example.jp/hw/\r\n");
    EXPECT_EQ(host.strHelp, L"http://lumidot.example.jp/hw/ravar/lumidot/index.html");
}

TEST_F(CommandsTest, TheHelpPageOpensOnAnyAnswerButNo)
{
    const std::wstring strUrl = L"http://lumidot.example.jp/hw/ravar/lumidot/index.html";
    host.answers = {IDNO, IDYES};
    HelpPageCommand(host, strUrl);
    HelpPageCommand(host, strUrl);
    const std::string strAsk = "MessageBox(ヘルプを表示するため\r\n" + ToUtf8(strUrl) +
                               "\r\nへ接続しますか？," + kQuestion + ")";
    EXPECT_EQ(g_Fake.calls, (Calls{strAsk, strAsk, "Open(" + ToUtf8(strUrl) + ")"}));
}

// --- A lost adapter ---

TEST_F(CommandsTest, AFailedLineChangeLetsGoOfThePortAndTheNextTickShowsNoPort)
{
    Connect(3);
    g_Fake.bEscapeFails = true;
    g_Fake.dwImeStatus = 0;
    g_nLastOpenStatus = -1;
    PollImeStatus();
    EXPECT_FALSE(g_Port.IsOpen());
    EXPECT_EQ(g_nLastOpenStatus, -1);

    g_Fake.calls.clear();
    PollImeStatus();
    EXPECT_EQ(NonImeCalls(), Calls{"Shell_NotifyIcon(NIM_MODIFY,3)"});
}

TEST_F(CommandsTest, ARemovedPortIsClosedAndReconnectedWhenItArrivesAgain)
{
    Connect(3);
    OnPortDeviceRemoved(L"COM4");  // another port
    EXPECT_TRUE(g_Port.IsOpen());
    OnPortDeviceRemoved(L"com3");
    EXPECT_FALSE(g_Port.IsOpen());
    EXPECT_EQ(g_nLastOpenStatus, -1);

    g_Fake.calls.clear();
    OnPortDeviceArrived(L"COM4");
    OnPortDeviceArrived(L"COM33");
    EXPECT_TRUE(g_Fake.calls.empty());
    OnPortDeviceArrived(L"COM3");
    EXPECT_EQ(g_Fake.calls, kOpenSequence);
    EXPECT_EQ(g_Fake.strLastDevice, L"\\\\.\\COM3");
}

TEST_F(CommandsTest, APortThatCameBackWhileTheUserChoseIsKeptOrSwappedButNeverDropped)
{
    Connect(3);
    OnPortDeviceRemoved(L"COM3");
    // The adapter comes back, and is reconnected, while the connect dialog is open.
    host.onDialog = [] { OnPortDeviceArrived(L"COM3"); };
    host.dialogs = {{IDOK, -2, 2}};
    ConnectCommand(host);
    EXPECT_TRUE(g_Port.IsOpen());
    EXPECT_EQ(g_Port.GetPortNumber(), 3);
    EXPECT_EQ(std::count(g_Fake.calls.begin(), g_Fake.calls.end(), "CreateFile"), 1);
    EXPECT_NE(Ini().find("PortNumber=3"), std::string::npos);

    // The same, but the user picks another port: the one that came back is closed first.
    OnPortDeviceRemoved(L"COM3");
    g_Fake.calls.clear();
    host.dialogs = {{IDOK, -2, 4}};
    ConnectCommand(host);
    EXPECT_EQ(g_Port.GetPortNumber(), 5);
    EXPECT_EQ(g_Fake.calls, Concat({"PortDialog"},
                                   Concat(kOpenSequence, Concat({"CloseHandle"}, kOpenSequence))));
}

TEST_F(CommandsTest, ALostPortComesBackOnlyWhileTheUserStillWantsIt)
{
    // The user chose the port meanwhile, and the open failed: the choice was the user's to make.
    Connect(3);
    OnPortDeviceRemoved(L"COM3");
    g_Fake.hNextComm = INVALID_HANDLE_VALUE;
    host.dialogs = {{IDOK, -2, 2}};
    ConnectCommand(host);
    g_Fake.hNextComm = reinterpret_cast<HANDLE>(0x3000);
    OnPortDeviceArrived(L"COM3");
    EXPECT_FALSE(g_Port.IsOpen());

    // The settings name another port, after a declined reconnect.
    g_nPortNumber = 3;
    Connect(3);
    host.dialogs = {{IDOK, -2, 7, -2}};
    host.answers = {IDNO};
    SettingCommand(host);
    OnPortDeviceRemoved(L"COM3");
    OnPortDeviceArrived(L"COM3");
    EXPECT_FALSE(g_Port.IsOpen());

    // The port was lost, then the user confirmed the settings and declined to connect.
    g_nPortNumber = 3;
    Connect(3);
    OnPortDeviceRemoved(L"COM3");
    host.dialogs = {{IDOK}};
    host.answers = {IDNO};
    SettingCommand(host);
    OnPortDeviceArrived(L"COM3");
    EXPECT_FALSE(g_Port.IsOpen());
}

TEST_F(CommandsTest, APortTheUserDisconnectedDoesNotComeBackByItself)
{
    Connect(3);
    OnPortDeviceRemoved(L"COM3");
    host.dialogs = {{IDCANCEL}};
    ConnectCommand(host);  // the user opens the connect dialog and cancels: still lost
    g_Fake.calls.clear();
    OnPortDeviceArrived(L"COM3");
    EXPECT_TRUE(g_Port.IsOpen());

    host.answers = {IDYES};
    ConnectCommand(host);  // now the user disconnects
    OnPortDeviceRemoved(L"COM3");
    g_Fake.calls.clear();
    OnPortDeviceArrived(L"COM3");
    EXPECT_TRUE(g_Fake.calls.empty());
}

}  // namespace
