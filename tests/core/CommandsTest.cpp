#include "core/Commands.h"
#include "core/ini/Utf8.h"
#include "tests/core/fakes/SeamTest.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <optional>

namespace {

// Plays the user: answers each dialog and question from a script, and logs what was shown into
// the same list as the seam's calls, so the order across both is visible.
class CFakeHost : public ICommandHost {
public:
    // How the user closes one dialog: the button, and what was changed before (nothing: every
    // field as shown).
    struct Dialog {
        Answer answer = Answer::Ok;
        std::optional<int> nIntervalIndex;
        std::optional<std::wstring> strPort;  // empty: no port chosen
        std::optional<int> bAutoConnect, bAlnumOff, bStartAtLogin, nLedLines, bLedInverted,
            bCaretLamp;

        Dialog& Interval(int nIndex) { return nIntervalIndex = nIndex, *this; }
        Dialog& Port(std::wstring strChosen) { return strPort = std::move(strChosen), *this; }
        Dialog& AutoConnect(int bTicked) { return bAutoConnect = bTicked, *this; }
        Dialog& AlnumOff(int bTicked) { return bAlnumOff = bTicked, *this; }
        Dialog& StartAtLogin(int bTicked) { return bStartAtLogin = bTicked, *this; }
        Dialog& CaretLamp(int bTicked) { return bCaretLamp = bTicked, *this; }
        Dialog& Wiring(int nLines, int bInverted)
        {
            return nLedLines = nLines, bLedInverted = bInverted, *this;
        }
    };
    std::deque<Dialog> dialogs;      // none left: the next dialog is cancelled
    std::deque<Answer> answers;      // none left: the next question is answered OK
    std::function<void()> onDialog;  // runs while a dialog or a question is open

    // What the dialogs were preset with.
    int nShownInterval = 0, bShownAuto = 0, bShownAlnum = 0, bShownStart = 0;
    int nShownLedLines = 0, bShownInverted = 0, bShownCaretLamp = 0;
    std::wstring strShownPort;
    std::wstring strAboutText, strHelp;

    Answer DoPortDialog(std::wstring& strPort) override
    {
        Log("PortDialog");
        strShownPort = strPort;
        const Dialog d = Next();
        if (d.answer == Answer::Ok && d.strPort)
            strPort = *d.strPort;
        return d.answer;
    }
    Answer DoSettingDialog(SettingChoices& choices) override
    {
        Log("SettingDialog");
        nShownInterval = choices.nIntervalIndex;
        strShownPort = choices.strPort;
        bShownAuto = choices.bAutoConnect;
        bShownAlnum = choices.bAlnumOff;
        bShownStart = choices.bStartAtLogin;
        nShownLedLines = choices.nLedLines;
        bShownInverted = choices.bLedInverted;
        bShownCaretLamp = choices.bCaretLamp;
        const Dialog d = Next();
        if (d.answer == Answer::Ok) {
            choices.nIntervalIndex = d.nIntervalIndex.value_or(choices.nIntervalIndex);
            choices.strPort = d.strPort.value_or(choices.strPort);
            choices.bAutoConnect = d.bAutoConnect.value_or(choices.bAutoConnect);
            choices.bAlnumOff = d.bAlnumOff.value_or(choices.bAlnumOff);
            choices.bStartAtLogin = d.bStartAtLogin.value_or(choices.bStartAtLogin);
            choices.nLedLines = d.nLedLines.value_or(choices.nLedLines);
            choices.bLedInverted = d.bLedInverted.value_or(choices.bLedInverted);
            choices.bCaretLamp = d.bCaretLamp.value_or(choices.bCaretLamp);
        }
        return d.answer;
    }
    void DoAboutDialog(const std::wstring& strText, const std::wstring& strHelpUrl) override
    {
        Log("AboutDialog");
        strAboutText = strText;
        strHelp = strHelpUrl;
    }
    Answer ShowMessageBox(const std::wstring& strText, MessageKind kind) override
    {
        const char* pszKind = kind == MessageKind::Question  ? "Question"
                              : kind == MessageKind::Warning ? "Warning"
                                                             : "?";
        Log("MessageBox(" + ToUtf8(strText) + "," + pszKind + ")");
        if (onDialog)
            onDialog();
        return Pop(answers, Answer::Ok);
    }
    void StopPollTimer() override { Log("StopTimer"); }
    void StartPollTimer(unsigned int nPeriodMs) override
    {
        Log("StartTimer(" + std::to_string(nPeriodMs) + ")");
    }
    void EndProgram() override { Log("EndProgram"); }
    void OpenInBrowser(const std::wstring& strUrl) override
    {
        Log("Browse(" + ToUtf8(strUrl) + ")");
    }

private:
    static void Log(std::string strCall) { g_Seam.calls.push_back(std::move(strCall)); }
    template <typename T>
    static T Pop(std::deque<T>& script, T whenEmpty)
    {
        if (script.empty())
            return whenEmpty;
        T next = script.front();
        script.pop_front();
        return next;
    }
    Dialog Next()
    {
        if (onDialog)
            onDialog();
        Dialog cancel;
        cancel.answer = Answer::Cancel;
        return Pop(dialogs, cancel);
    }
};

CFakeHost::Dialog Confirm() { return CFakeHost::Dialog{}; }
CFakeHost::Dialog Cancel()
{
    CFakeHost::Dialog d;
    d.answer = Answer::Cancel;
    return d;
}

Calls Concat(std::initializer_list<Calls> parts)
{
    Calls all;
    for (const Calls& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string Question(const std::string& strText) { return "MessageBox(" + strText + ",Question)"; }
std::string Warning(const std::string& strText) { return "MessageBox(" + strText + ",Warning)"; }

bool Has(const std::string& strText, const std::string& strPart)
{
    return strText.find(strPart) != std::string::npos;
}

class CommandsTest : public CSeamTest {
protected:
    void SetUp() override
    {
        CSeamTest::SetUp();
        g_nPortNumber = 3;
        g_nLastOpenStatus = 1;
    }

    CFakeHost host;
};

// --- Tray menu label ---

TEST_F(CommandsTest, TheFirstMenuItemNamesTheConnectedPortOrOffersToConnect)
{
    EXPECT_EQ(ConnectMenuLabel(), L"接続(&P)");
    Connect(L"COM3");
    EXPECT_EQ(ConnectMenuLabel(), L"切断[COM3](&P)");
}

// --- Connect and disconnect ---

TEST_F(CommandsTest, ConnectPreselectsTheStoredPortOpensTheChosenOneAndSavesIt)
{
    host.dialogs = {Confirm().Port(L"COM7")};
    ConnectCommand(host);
    EXPECT_EQ(host.strShownPort, L"COM3");
    EXPECT_EQ(g_nPortNumber, 7);
    EXPECT_EQ(sys::LedPortName(), L"COM7");
    EXPECT_EQ(g_Seam.calls,
              Concat({{"PortDialog", "Open(COM7)", "Lines(off)"}, SavedKeys(7, 5, 0)}));
    EXPECT_TRUE(Has(g_Seam.Ini(), "PortNumber=7"));
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(CommandsTest, AFailedOpenWarnsAndStillSavesTheChosenPort)
{
    g_Seam.busyPorts = {L"COM5"};
    host.dialogs = {Confirm().Port(L"COM5")};
    ConnectCommand(host);
    EXPECT_EQ(g_Seam.calls, Concat({{"PortDialog", "Open(COM5)", Warning("ポートが開けません.")},
                                    SavedKeys(5, 5, 0)}));
    EXPECT_TRUE(Has(g_Seam.Ini(), "PortNumber=5"));
    EXPECT_FALSE(sys::IsLedPortOpen());
}

TEST_F(CommandsTest, TheWarningSaysWhyThePortDidNotOpenWhereTheSystemTells)
{
    const struct {
        sys::OpenFailure failure;
        std::string strWhy;
    } rows[] = {
        {{sys::OpenProblem::Held, L""}, "\r\nほかのプログラムがこのポートを使用中です."},
        {{sys::OpenProblem::NoRights, L"dialout"},
         "\r\nこのポートを開く権限がありません.\r\ndialoutグループに参加して (sudo usermod -aG "
         "dialout $USER) からログインしなおしてください."},
        {{sys::OpenProblem::NoRights, L""}, "\r\nこのポートを開く権限がありません."},
        {{sys::OpenProblem::SessionTerminal, L""},
         "\r\nログイン中の端末です. LEDのポートには使えません."},
        {{sys::OpenProblem::NotSerial, L""}, "\r\nシリアルポートではありません."},
    };
    for (const auto& row : rows) {
        g_Seam.Reset();
        g_Seam.busyPorts = {L"COM5"};
        g_Seam.refusal = row.failure;
        host.dialogs = {Confirm().Port(L"COM5")};
        ConnectCommand(host);
        EXPECT_EQ(g_Seam.calls.at(2), Warning("ポートが開けません." + row.strWhy));
    }
}

TEST_F(CommandsTest, NoPortChosenStoresZeroWhichFailsAtOnceWithTheWarning)
{
    g_nPortNumber = 42;
    host.dialogs = {Confirm().Port(L"")};  // the list shows no selection
    ConnectCommand(host);
    EXPECT_EQ(host.strShownPort, L"COM42");
    EXPECT_EQ(g_nPortNumber, 0);
    // COM0 is no port: the seam refuses it without asking the system.
    EXPECT_EQ(g_Seam.calls, Concat({{"PortDialog", "Open(COM0)", Warning("ポートが開けません.")},
                                    SavedKeys(0, 5, 0)}));
    EXPECT_TRUE(Has(g_Seam.Ini(), "PortNumber=0"));
    EXPECT_FALSE(sys::IsLedPortOpen());
}

TEST_F(CommandsTest, CancellingThePortDialogChangesNothingButTheSentinel)
{
    host.dialogs = {Cancel()};
    ConnectCommand(host);
    EXPECT_EQ(g_Seam.calls, Calls{"PortDialog"});
    EXPECT_EQ(g_nPortNumber, 3);
    EXPECT_FALSE(g_Seam.HasIni());
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(CommandsTest, DisconnectAsksAndYesClosesWithoutTouchingTheLinesOrTheFile)
{
    Connect(L"COM3");
    host.answers = {Answer::Yes};
    ConnectCommand(host);
    EXPECT_EQ(g_Seam.calls, (Calls{Question("ポートを閉じますか？"), "Close"}));
    EXPECT_FALSE(sys::IsLedPortOpen());
    EXPECT_FALSE(g_Seam.HasIni());
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(CommandsTest, AnsweringNoKeepsThePortOpenYetTheNextTickReappliesIconAndLines)
{
    Connect(L"COM3");
    host.answers = {Answer::No};
    ConnectCommand(host);
    EXPECT_TRUE(sys::IsLedPortOpen());
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

// --- Exit ---

TEST_F(CommandsTest, ExitEndsTheProgramOnAnyAnswerButNo)
{
    host.answers = {Answer::No, Answer::Yes};
    ExitCommand(host);
    ExitCommand(host);
    EXPECT_EQ(g_Seam.calls,
              (Calls{Question("終了しますか？"), Question("終了しますか？"), "EndProgram"}));
}

// --- One command at a time ---

TEST_F(CommandsTest, ACommandIsMarkedRunningOnlyWhileItsDialogOrQuestionIsOpen)
{
    bool bRunningInside = false;
    host.onDialog = [&] { bRunningInside = IsCommandRunning(); };
    host.dialogs = {Cancel()};
    ConnectCommand(host);
    EXPECT_TRUE(bRunningInside);
    EXPECT_FALSE(IsCommandRunning());

    bRunningInside = false;
    host.answers = {Answer::No};
    ExitCommand(host);
    EXPECT_TRUE(bRunningInside);
    EXPECT_FALSE(IsCommandRunning());
}

// --- Operation settings ---

TEST_F(CommandsTest, SettingsDialogShowsTheStoredValuesEachInItsOwnBox)
{
    g_nUpdateTime = 12;  // outside the list: no selection
    // Each box's value differs from the others', so a box showing another's value shows.
    for (int bOn : {0, 1}) {
        g_nAutoConnect = bOn;
        g_nAlnumOff = 1 - bOn;
        g_Seam.bStartsAtLogin = bOn == 1;
        host.dialogs = {Cancel()};
        SettingCommand(host);
        EXPECT_EQ(host.nShownInterval, 11);
        EXPECT_EQ(host.strShownPort, L"COM3");
        EXPECT_EQ(host.bShownAuto, bOn);
        EXPECT_EQ(host.bShownAlnum, 1 - bOn);
        EXPECT_EQ(host.bShownStart, bOn);
    }
}

TEST_F(CommandsTest, EachBoxIsStoredUnderItsOwnKey)
{
    g_nAutoConnect = 1;
    host.dialogs = {Confirm().AutoConnect(0).AlnumOff(1)};
    host.answers = {Answer::No};
    SettingCommand(host);
    g_nAutoConnect = g_nAlnumOff = -1;
    LoadSettings();
    EXPECT_EQ(g_nAutoConnect, 0);
    EXPECT_EQ(g_nAlnumOff, 1);
}

TEST_F(CommandsTest, CancelledSettingsLeaveTimerPortSentinelAndFileAlone)
{
    Connect(L"COM3");
    host.dialogs = {Cancel().Interval(0).Port(L"COM6").AutoConnect(1)};
    SettingCommand(host);
    EXPECT_EQ(g_Seam.calls, Calls{"SettingDialog"});
    EXPECT_EQ(g_nLastOpenStatus, 1);
    EXPECT_EQ(g_nUpdateTime, 5);
    EXPECT_EQ(g_nPortNumber, 3);
    EXPECT_FALSE(g_Seam.HasIni());
}

TEST_F(CommandsTest, ChangingOnlyTheIntervalWhileConnectedAsksNothing)
{
    Connect(L"COM3");
    host.dialogs = {Confirm().Interval(1)};
    SettingCommand(host);
    EXPECT_EQ(g_Seam.calls,
              Concat({{"SettingDialog", "StopTimer"}, SavedKeys(3, 2, 0), {"StartTimer(200)"}}));
    EXPECT_TRUE(sys::IsLedPortOpen());
    EXPECT_EQ(g_Seam.Ini(), "[Setting]\r\nPortNumber=3\r\nUpdateTime=2\r\nAutoConnect=0\r\n");
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(CommandsTest, AChangedPortWhileConnectedOffersToReconnect)
{
    Connect(L"COM3");
    host.dialogs = {Confirm().Port(L"COM8")};
    host.answers = {Answer::Yes};
    SettingCommand(host);
    EXPECT_EQ(g_Seam.calls,
              Concat({{"SettingDialog", "StopTimer", Question("COM8で接続しなおしますか？"),
                       "Close", "Open(COM8)", "Lines(off)"},
                      SavedKeys(8, 5, 0),
                      {"StartTimer(500)"}}));
    EXPECT_EQ(sys::LedPortName(), L"COM8");
}

TEST_F(CommandsTest, DecliningTheReconnectKeepsTheOldPortWhileTheNewNumberIsSaved)
{
    Connect(L"COM3");
    host.dialogs = {Confirm().Port(L"COM8")};
    host.answers = {Answer::No};
    SettingCommand(host);
    EXPECT_TRUE(sys::IsLedPortOpen());
    EXPECT_EQ(sys::LedPortName(), L"COM3");
    EXPECT_EQ(ConnectMenuLabel(), L"切断[COM8](&P)");
    EXPECT_TRUE(Has(g_Seam.Ini(), "PortNumber=8"));
}

TEST_F(CommandsTest, EveryConfirmedDialogWhileDisconnectedOffersToConnect)
{
    host.dialogs = {Confirm(), Confirm()};
    host.answers = {Answer::No, Answer::Yes};
    SettingCommand(host);
    EXPECT_FALSE(sys::IsLedPortOpen());
    EXPECT_TRUE(Has(g_Seam.Ini(), "PortNumber=3"));

    g_Seam.calls.clear();
    SettingCommand(host);
    EXPECT_EQ(g_Seam.calls, Concat({{"SettingDialog", "StopTimer", Question("COM3で接続しますか？"),
                                     "Open(COM3)", "Lines(off)"},
                                    SavedKeys(3, 5, 0),
                                    {"StartTimer(500)"}}));
    EXPECT_TRUE(sys::IsLedPortOpen());
}

TEST_F(CommandsTest, NoPortChosenStoresZeroAndAFailedConnectIsSilentButNoIntervalKeepsTheStoredOne)
{
    // A stored 0 keeps running at the default period.
    for (const auto& [nUpdateTime, strTimer] :
         {std::pair{0, "StartTimer(500)"}, std::pair{15, "StartTimer(1500)"}}) {
        SetUp();
        g_nUpdateTime = nUpdateTime;
        g_nPortNumber = 0;
        host.dialogs = {Confirm().Interval(-1).Port(L"")};  // neither list shows a selection
        host.answers = {Answer::Yes};
        SettingCommand(host);
        EXPECT_EQ(host.nShownInterval, nUpdateTime - 1);
        EXPECT_EQ(g_Seam.calls, Concat({{"SettingDialog", "StopTimer",
                                         Question("COM0で接続しますか？"), "Open(COM0)"},
                                        SavedKeys(0, nUpdateTime, 0),
                                        {strTimer}}));
        EXPECT_EQ(g_Seam.Ini(), "[Setting]\r\nPortNumber=0\r\nUpdateTime=" +
                                    std::to_string(nUpdateTime) + "\r\nAutoConnect=0\r\n");
        TearDown();
    }
}

TEST_F(CommandsTest, ASaveThatFailsIsToldOnceARunNamingTheFile)
{
    g_Seam.bWriteFails = true;
    host.dialogs = {Confirm(), Confirm()};
    host.answers = {Answer::No};
    SettingCommand(host);
    EXPECT_EQ(g_Seam.calls,
              Concat({{"SettingDialog", "StopTimer", Question("COM3で接続しますか？")},
                      SavedKeys(3, 5, 0),
                      {Warning("設定を保存できません.\r\n/home/user/.config/Lumidot.ini"),
                       "StartTimer(500)"}}));
    g_Seam.calls.clear();
    ConnectCommand(host);
    EXPECT_EQ(g_Seam.calls,
              Concat({{"PortDialog", "Open(COM3)", "Lines(off)"}, SavedKeys(3, 5, 0)}));
}

TEST_F(CommandsTest, TheAutoConnectBoxShowsAnOddValueUntickedAndStoresOnlyZeroOrOne)
{
    host.answers = {Answer::No, Answer::No, Answer::No};
    g_nAutoConnect = 2;
    host.dialogs = {Confirm()};
    SettingCommand(host);
    EXPECT_EQ(host.bShownAuto, 0);
    EXPECT_EQ(g_nAutoConnect, 0);

    host.dialogs = {Confirm().AutoConnect(1)};
    SettingCommand(host);
    EXPECT_EQ(g_nAutoConnect, 1);

    host.dialogs = {Confirm().AutoConnect(0)};
    SettingCommand(host);
    EXPECT_EQ(g_nAutoConnect, 0);
}

TEST_F(CommandsTest, TheAlnumOffBoxShowsAnOddValueUntickedAndStoresOnlyZeroOrOne)
{
    host.answers = {Answer::No, Answer::No};
    g_nAlnumOff = -1;
    host.dialogs = {Confirm()};
    SettingCommand(host);
    EXPECT_EQ(host.bShownAlnum, 0);
    EXPECT_EQ(g_nAlnumOff, 0);

    host.dialogs = {Confirm().AlnumOff(1)};
    SettingCommand(host);
    EXPECT_EQ(g_nAlnumOff, 1);
    // Written once it is on.
    EXPECT_TRUE(Has(g_Seam.Ini(), "AlnumOff=1"));
}

TEST_F(CommandsTest, ANewWiringIsStoredAndTheNextTickDrivesItWithoutAQuestion)
{
    Connect(L"COM3");
    // Values no dialog stores show as the defaults they act as.
    g_nLedLines = 7;
    g_nLedInverted = 2;
    host.dialogs = {Confirm().Wiring(1, 1)};
    SettingCommand(host);
    EXPECT_EQ(host.nShownLedLines, 0);
    EXPECT_EQ(host.bShownInverted, 0);
    EXPECT_EQ(g_Seam.calls, Concat({{"SettingDialog", "StopTimer"},
                                    SavedKeys(3, 5, 0),
                                    {"WriteProfile(LedLines=1)", "WriteProfile(LedInverted=1)",
                                     "StartTimer(500)"}}));
    g_Seam.calls.clear();
    g_Seam.AnswerIme(1);
    PollImeStatus();
    EXPECT_EQ(g_Seam.calls, (Calls{"Tray(ON_CONNECTED)", "Lines(DTR off)"}));

    host.dialogs = {Confirm()};
    SettingCommand(host);
    EXPECT_EQ(host.nShownLedLines, 1);
    EXPECT_EQ(host.bShownInverted, 1);
    // An odd item or box state stores the default.
    host.dialogs = {Confirm().Wiring(5, 3)};
    SettingCommand(host);
    EXPECT_EQ(g_nLedLines, 0);
    EXPECT_EQ(g_nLedInverted, 0);
}

TEST_F(CommandsTest, TheLampAtTheCaretFollowsTheTrayLampWhileTickedAndGoesWhenUnticked)
{
    host.answers = {Answer::No, Answer::No, Answer::No};
    g_nCaretLamp = 2;
    host.dialogs = {Confirm().CaretLamp(1)};
    SettingCommand(host);
    EXPECT_EQ(host.bShownCaretLamp, 0);
    EXPECT_TRUE(Has(g_Seam.Ini(), "CaretLamp=1"));
    // The typing-mode rule holds for it as for the tray lamp.
    g_nAlnumOff = 1;
    for (const bool bNative : {true, false})
        EXPECT_EQ(Tick(1, bNative), (bNative ? Calls{"Tray(ON_DISCONNECTED)", "CaretLamp(lit)"}
                                             : Calls{"Tray(OFF_DISCONNECTED)", "CaretLamp(dark)"}));

    host.dialogs = {Confirm()};
    SettingCommand(host);
    EXPECT_EQ(host.bShownCaretLamp, 1);
    EXPECT_EQ(g_Seam.caretLamp, sys::CaretLamp::Dark);  // kept: still ticked
    host.dialogs = {Confirm().CaretLamp(0)};
    g_Seam.calls.clear();
    SettingCommand(host);
    EXPECT_EQ(g_Seam.calls.at(1), "CaretLamp(none)");
    EXPECT_EQ(Tick(0), (Calls{"Tray(OFF_DISCONNECTED)"}));
}

TEST_F(CommandsTest, ExtremeStoredValuesSelectNothingAndOverflowNothing)
{
    for (int nValue : {INT_MIN, INT_MAX}) {
        g_nPortNumber = g_nUpdateTime = nValue;
        host.dialogs = {Cancel(), Cancel()};
        ConnectCommand(host);
        EXPECT_EQ(host.strShownPort, L"COM" + std::to_wstring(nValue));
        SettingCommand(host);
        EXPECT_EQ(host.nShownInterval, nValue == INT_MIN ? -1 : INT_MAX - 1);

        // Confirmed as shown; the lists of the real dialogs hold nothing at that index.
        host.dialogs = {Confirm().Interval(-1).Port(L"")};
        host.answers = {Answer::No};
        SettingCommand(host);
        EXPECT_EQ(g_nUpdateTime, nValue);
        EXPECT_EQ(g_nPortNumber, 0);
    }
}

TEST_F(CommandsTest, TheStartBoxShowsWhatTheSystemDoesAndChangesItOnlyWhenTheUserDoes)
{
    // What each confirmed dialog asked of the system about starting at login.
    const auto StartCalls = [] {
        Calls start;
        std::copy_if(g_Seam.calls.begin(), g_Seam.calls.end(), std::back_inserter(start),
                     [](const std::string& s) { return s.rfind("StartAtLogin(", 0) == 0; });
        g_Seam.calls.clear();
        return start;
    };
    host.answers = {Answer::No, Answer::No, Answer::No, Answer::No, Answer::No};
    // The system does not start this copy (an entry of a copy elsewhere does not count): the box
    // shows unticked, and left so, nothing is asked of the system.
    host.dialogs = {Confirm()};
    SettingCommand(host);
    EXPECT_EQ(host.bShownStart, 0);
    EXPECT_EQ(StartCalls(), Calls{});

    host.dialogs = {Confirm().StartAtLogin(1)};
    SettingCommand(host);
    EXPECT_EQ(StartCalls(), Calls{"StartAtLogin(on)"});
    EXPECT_TRUE(g_Seam.bStartsAtLogin);

    host.dialogs = {Confirm()};
    SettingCommand(host);
    EXPECT_EQ(host.bShownStart, 1);
    EXPECT_EQ(StartCalls(), Calls{});

    host.dialogs = {Confirm().StartAtLogin(0)};
    SettingCommand(host);
    EXPECT_EQ(StartCalls(), Calls{"StartAtLogin(off)"});
    EXPECT_FALSE(g_Seam.bStartsAtLogin);

    // What the system does, not what was last asked of it: a refusal shows unticked next time.
    g_Seam.bStartAtLoginRefused = true;
    host.dialogs = {Confirm().StartAtLogin(1), Cancel()};
    SettingCommand(host);
    SettingCommand(host);
    EXPECT_EQ(StartCalls(), Calls{"StartAtLogin(on)"});
    EXPECT_EQ(host.bShownStart, 0);
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
    host.answers = {Answer::No, Answer::Yes};
    HelpPageCommand(host, strUrl);
    HelpPageCommand(host, strUrl);
    const std::string strAsk =
        Question("ヘルプを表示するため\r\n" + ToUtf8(strUrl) + "\r\nへ接続しますか？");
    EXPECT_EQ(g_Seam.calls, (Calls{strAsk, strAsk, "Browse(" + ToUtf8(strUrl) + ")"}));
}

// --- A lost adapter ---

TEST_F(CommandsTest, AFailedLineChangeLetsGoOfThePortAndTheNextTickShowsNoPort)
{
    Connect(L"COM3");
    g_Seam.lineResult = sys::LineResult::Gone;
    g_Seam.AnswerIme(0);
    g_nLastOpenStatus = -1;
    PollImeStatus();
    EXPECT_EQ(g_Seam.calls, (Calls{"Tray(OFF_CONNECTED)", "Lines(off)", "Close"}));
    EXPECT_FALSE(sys::IsLedPortOpen());
    EXPECT_EQ(g_nLastOpenStatus, -1);

    g_Seam.calls.clear();
    PollImeStatus();
    EXPECT_EQ(g_Seam.calls, Calls{"Tray(OFF_DISCONNECTED)"});
}

TEST_F(CommandsTest, ARemovedPortIsClosedAndReconnectedWhenItArrivesAgain)
{
    Connect(L"COM3");
    OnPortDeviceRemoved(L"COM4");  // another port
    EXPECT_TRUE(sys::IsLedPortOpen());
    OnPortDeviceRemoved(L"com3");
    EXPECT_FALSE(sys::IsLedPortOpen());
    PollImeStatus();  // the crossed lamp, which the IME status alone would not bring back

    g_Seam.calls.clear();
    OnPortDeviceArrived(L"COM4");
    OnPortDeviceArrived(L"COM33");
    EXPECT_TRUE(g_Seam.calls.empty());
    OnPortDeviceArrived(L"COM3");
    EXPECT_EQ(g_Seam.calls, (Calls{"Open(COM3)", "Lines(off)"}));
    EXPECT_EQ(sys::LedPortName(), L"COM3");
    // The next tick shows the port and drives the lines, though the IME status did not change.
    g_Seam.calls.clear();
    PollImeStatus();
    EXPECT_EQ(g_Seam.calls, (Calls{"Tray(OFF_CONNECTED)", "Lines(off)"}));
}

TEST_F(CommandsTest, APortThatCameBackWhileTheUserChoseIsKeptOrSwappedButNeverDropped)
{
    Connect(L"COM3");
    OnPortDeviceRemoved(L"COM3");
    // The adapter comes back, and is reconnected, while the connect dialog is open.
    host.onDialog = [] { OnPortDeviceArrived(L"COM3"); };
    host.dialogs = {Confirm().Port(L"COM3")};
    ConnectCommand(host);
    EXPECT_EQ(sys::LedPortName(), L"COM3");
    EXPECT_EQ(std::count(g_Seam.calls.begin(), g_Seam.calls.end(), "Open(COM3)"), 1);
    EXPECT_TRUE(Has(g_Seam.Ini(), "PortNumber=3"));

    // The same, but the user picks another port: the one that came back is closed first.
    OnPortDeviceRemoved(L"COM3");
    g_Seam.calls.clear();
    host.dialogs = {Confirm().Port(L"COM5")};
    ConnectCommand(host);
    EXPECT_EQ(sys::LedPortName(), L"COM5");
    EXPECT_EQ(g_Seam.calls, Concat({{"PortDialog", "Open(COM3)", "Lines(off)", "Close",
                                     "Open(COM5)", "Lines(off)"},
                                    SavedKeys(5, 5, 0)}));
}

TEST_F(CommandsTest, ALostPortComesBackOnlyWhileTheUserStillWantsIt)
{
    // The port was lost; meanwhile the user confirmed the settings, changing only the interval, or
    // chose the same port again, and its open failed (it is still unplugged): still wanted.
    for (bool bSettings : {true, false}) {
        Connect(L"COM3");
        OnPortDeviceRemoved(L"COM3");
        g_Seam.bOpenFails = true;
        host.dialogs = {bSettings ? Confirm().Interval(1) : Confirm().Port(L"COM3")};
        host.answers = {Answer::Yes};
        bSettings ? SettingCommand(host) : ConnectCommand(host);
        g_Seam.bOpenFails = false;
        OnPortDeviceArrived(L"COM3");
        EXPECT_TRUE(sys::IsLedPortOpen()) << bSettings;
        sys::CloseLedPort();
    }

    // The user chose another port meanwhile, whose open failed.
    Connect(L"COM3");
    OnPortDeviceRemoved(L"COM3");
    g_Seam.bOpenFails = true;
    host.dialogs = {Confirm().Port(L"COM4")};
    ConnectCommand(host);
    g_Seam.bOpenFails = false;
    OnPortDeviceArrived(L"COM3");
    EXPECT_FALSE(sys::IsLedPortOpen());

    // The settings name another port, after a declined reconnect.
    g_nPortNumber = 3;
    Connect(L"COM3");
    host.dialogs = {Confirm().Port(L"COM8")};
    host.answers = {Answer::No};
    SettingCommand(host);
    OnPortDeviceRemoved(L"COM3");
    OnPortDeviceArrived(L"COM3");
    EXPECT_FALSE(sys::IsLedPortOpen());

    // The port was lost, then the user confirmed the settings and declined to connect.
    g_nPortNumber = 3;
    Connect(L"COM3");
    OnPortDeviceRemoved(L"COM3");
    host.dialogs = {Confirm()};
    host.answers = {Answer::No};
    SettingCommand(host);
    OnPortDeviceArrived(L"COM3");
    EXPECT_FALSE(sys::IsLedPortOpen());
}

TEST_F(CommandsTest, APortTheUserDisconnectedDoesNotComeBackByItself)
{
    Connect(L"COM3");
    OnPortDeviceRemoved(L"COM3");
    host.dialogs = {Cancel()};
    ConnectCommand(host);  // the user opens the connect dialog and cancels: still lost
    g_Seam.calls.clear();
    OnPortDeviceArrived(L"COM3");
    EXPECT_TRUE(sys::IsLedPortOpen());

    host.answers = {Answer::Yes};
    ConnectCommand(host);  // now the user disconnects
    OnPortDeviceRemoved(L"COM3");
    g_Seam.calls.clear();
    OnPortDeviceArrived(L"COM3");
    EXPECT_TRUE(g_Seam.calls.empty());
}

}  // namespace
