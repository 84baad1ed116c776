// The IME query of the Windows side: which window is asked, how, and with what patience.
#include "windows/unit/fakes/LogicTest.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace {

// Each test starts after a registered icon, with no reading yet.
class ImeQueryTest : public CLogicTest {
protected:
    void SetUp() override
    {
        CLogicTest::SetUp();
        RegisterTray();
    }

    void Tick(int nStatus)
    {
        g_Fake.calls.clear();
        g_Fake.dwImeStatus = static_cast<DWORD_PTR>(static_cast<DWORD>(nStatus));
        PollImeStatus();
    }
};

TEST_F(ImeQueryTest, AsksTheImeWindowOfTheFocusInTheForegroundThreadWithABoundedWait)
{
    g_Fake.focus[1] = reinterpret_cast<HWND>(0x1100);
    Tick(0);
    EXPECT_EQ(Calls(g_Fake.calls.begin(), g_Fake.calls.begin() + 6),
              (Calls{"GetForegroundWindow", "GetClassName(4096)", "GetWindowThreadId(4096)",
                     "GetFocusOfThread(1)", "ImmGetDefaultIMEWnd(4352)",
                     "SendMessageTimeout(8192,643,5,0)"}));
    EXPECT_EQ(g_Fake.uLastSendFlags, static_cast<UINT>(SMTO_ABORTIFHUNG));
    EXPECT_GT(g_Fake.uLastTimeoutMs, 0u);
    EXPECT_LE(g_Fake.uLastTimeoutMs, 200u);

    // The class and the thread of a window stay; its focus is asked at every tick.
    Tick(0);
    EXPECT_EQ(g_Fake.calls, (Calls{"GetForegroundWindow", "GetFocusOfThread(1)",
                                   "ImmGetDefaultIMEWnd(4352)", "SendMessageTimeout(8192,643,5,0)"}));
}

// The window whose IME is read, row by row as windows/system/Ime.h lists them. Thread 7 runs the
// window in front; 0x1100 is a control of another thread (9) inside it; 0x1200 a UWP app's
// CoreWindow inside its frame. Each window's IME window is its handle + 0x10000, so the asked one
// shows in the query.
TEST_F(ImeQueryTest, TheWindowAskedIsTheOneTheUserTypesInto)
{
    const auto W = [](std::uintptr_t n) { return reinterpret_cast<HWND>(n); };
    const HWND hFront = W(0x1000), hControl = W(0x1100), hCore = W(0x1200), kKept = nullptr;
    struct Row {
        const char* what;
        HWND hForeground;
        const wchar_t* pszClass;
        HWND hFocus;
        bool bCoreChild;
        HWND hAsked;  // null: the reading is kept and nothing is asked
    } rows[] = {
        {"no window in front (lock screen, UAC)", nullptr, L"", nullptr, false, kKept},
        {"Alt+Tab (Windows 11)", hFront, L"XamlExplorerHostIslandWindow", hFront, false, kKept},
        {"task view", hFront, L"MultitaskingViewFrame", hFront, false, kKept},
        {"Alt+Tab (Windows 10)", hFront, L"TaskSwitcherWnd", hFront, false, kKept},
        {"activation hand-over", hFront, L"ForegroundStaging", nullptr, false, kKept},
        {"the taskbar", hFront, L"Shell_TrayWnd", hFront, false, kKept},
        {"a second monitor's taskbar", hFront, L"Shell_SecondaryTrayWnd", nullptr, false, kKept},
        {"focus in a control of another thread", hFront, L"Notepad", hControl, false, hControl},
        {"focus on the frame itself", hFront, L"Notepad", hFront, false, hFront},
        {"no focus (a console)", hFront, L"ConsoleWindowClass", nullptr, false, hFront},
        {"a UWP frame without focus", hFront, L"ApplicationFrameWindow", nullptr, true, hCore},
        {"a UWP frame with the focus on it", hFront, L"ApplicationFrameWindow", hFront, true, hCore},
        {"a UWP frame with the focus inside", hFront, L"ApplicationFrameWindow", hControl, true,
         hControl},
        {"a UWP frame without its app (suspended)", hFront, L"ApplicationFrameWindow", nullptr,
         false, hFront},
        {"a CoreWindow under another frame", hFront, L"Notepad", nullptr, true, hFront},
    };
    for (const Row& row : rows) {
        g_Fake.Reset();
        ForgetForegroundWindow();
        g_Fake.hForeground = row.hForeground;
        g_Fake.windows[hFront] = {row.pszClass, 7, nullptr, W(0x11000)};
        g_Fake.windows[hControl] = {L"Edit", 9, hFront, W(0x11100)};
        if (row.bCoreChild)
            g_Fake.windows[hCore] = {L"Windows.UI.Core.CoreWindow", 11, hFront, W(0x11200)};
        if (row.hFocus != nullptr)
            g_Fake.focus[7] = row.hFocus;
        g_Fake.dwImeStatus = 1;

        const std::optional<sys::ImeReading> reading = sys::ReadImeState(false);
        Calls asks;
        for (const std::string& call : g_Fake.calls)
            if (call.rfind("ImmGetDefaultIMEWnd", 0) == 0)
                asks.push_back(call);
        const bool bKept = row.hAsked == kKept;
        const auto nAsked = reinterpret_cast<std::uintptr_t>(row.hAsked);
        const std::string asked = "ImmGetDefaultIMEWnd(" + std::to_string(nAsked) + ")";
        EXPECT_EQ(asks, bKept ? Calls{} : Calls{asked}) << row.what;
        EXPECT_EQ(reading ? reading->nOpenStatus : -1, bKept ? -1 : 1) << row.what;
    }
}

// Only a window's answer changes the lamp: no answer is no reading, whatever the reason.
TEST_F(ImeQueryTest, AWindowThatDoesNotAnswerKeepsTheLastReading)
{
    Tick(1);
    ASSERT_EQ(g_nLastOpenStatus, 1);
    for (const DWORD dwError : {DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_TIMEOUT}}) {
        g_Fake.bImeAnswers = false;
        g_Fake.dwImeError = dwError;
        Tick(0);
        EXPECT_EQ(g_nLastOpenStatus, 1) << dwError;
        EXPECT_EQ(NonImeCalls(), Calls{}) << dwError;
    }
}

TEST_F(ImeQueryTest, ANullImeWindowReadsAsOffWithoutSendingAnything)
{
    g_Fake.hImeWindow = nullptr;
    g_Fake.dwImeStatus = 1;
    g_Fake.calls.clear();
    PollImeStatus();
    EXPECT_EQ(g_nLastOpenStatus, 0);
    EXPECT_EQ(NonImeCalls(), Calls{"Shell_NotifyIcon(NIM_MODIFY,3)"});
    EXPECT_EQ(std::count(g_Fake.calls.begin(), g_Fake.calls.end(), "ImmGetDefaultIMEWnd(4096)"), 1);
}

TEST_F(ImeQueryTest, TheModeIsAskedOfTheSameImeWindowOnlyWhenItMatters)
{
    g_nAlnumOff = 1;
    Tick(1);
    EXPECT_EQ(NonImeCalls().size(), 1u);  // the lamp
    EXPECT_EQ(g_Fake.calls[g_Fake.calls.size() - 3], "SendMessageTimeout(8192,643,5,0)");
    EXPECT_EQ(g_Fake.calls[g_Fake.calls.size() - 2], "SendMessageTimeout(8192,643,1,0)");

    // A closed IME has no mode to ask about, and without the option nothing is asked.
    Tick(0);
    EXPECT_EQ(
        std::count(g_Fake.calls.begin(), g_Fake.calls.end(), "SendMessageTimeout(8192,643,1,0)"),
        0);
    g_nAlnumOff = 0;
    Tick(1);
    EXPECT_EQ(
        std::count(g_Fake.calls.begin(), g_Fake.calls.end(), "SendMessageTimeout(8192,643,1,0)"),
        0);
}

TEST_F(ImeQueryTest, OnlyTheNativeModeBitMakesAnOpenImeTypeItsOwnScript)
{
    g_Fake.dwImeStatus = 1;
    // Hiragana (native, full-width), native alone, half-width and full-width alphanumerics.
    const std::pair<DWORD_PTR, bool> modes[] = {{9, true}, {1, true}, {0, false}, {8, false}};
    for (const auto& [dwMode, bNative] : modes) {
        g_Fake.dwConversionMode = dwMode;
        const std::optional<sys::ImeReading> reading = sys::ReadImeState(true);
        ASSERT_TRUE(reading) << dwMode;
        EXPECT_EQ(reading->nOpenStatus, 1);
        EXPECT_EQ(reading->bNative, bNative) << dwMode;
        // Not asked, the mode reads as native.
        EXPECT_TRUE(sys::ReadImeState(false)->bNative) << dwMode;
    }
}

TEST_F(ImeQueryTest, NoAnswerAboutTheModeIsNoReadingAtAll)
{
    g_Fake.dwImeStatus = 1;
    g_Fake.bModeAnswers = false;
    EXPECT_EQ(sys::ReadImeState(true), std::nullopt);
    EXPECT_EQ(sys::ReadImeState(false)->nOpenStatus, 1);
}

}  // namespace
