// The IME query of the Windows side: which window is asked, how, and with what patience.
#include "windows/unit/fakes/LogicTest.h"

#include <algorithm>
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

TEST_F(ImeQueryTest, QueriesTheForegroundWindowsImeWindowWithABoundedWait)
{
    Tick(0);
    EXPECT_EQ(g_Fake.calls[0], "GetForegroundWindow");
    EXPECT_EQ(g_Fake.calls[1], "ImmGetDefaultIMEWnd(4096)");
    EXPECT_EQ(g_Fake.calls[2], "SendMessageTimeout(8192,643,5,0)");
    EXPECT_EQ(g_Fake.uLastSendFlags, static_cast<UINT>(SMTO_ABORTIFHUNG));
    EXPECT_GT(g_Fake.uLastTimeoutMs, 0u);
    EXPECT_LE(g_Fake.uLastTimeoutMs, 200u);
}

TEST_F(ImeQueryTest, ANullImeWindowReadsAsOffWithoutSendingAnything)
{
    g_Fake.hImeWindow = nullptr;
    g_Fake.dwImeStatus = 1;
    g_Fake.calls.clear();
    PollImeStatus();
    EXPECT_EQ(g_nLastOpenStatus, 0);
    EXPECT_EQ(g_Fake.calls, (Calls{"GetForegroundWindow", "ImmGetDefaultIMEWnd(4096)",
                                   "Shell_NotifyIcon(NIM_MODIFY,3)"}));
}

TEST_F(ImeQueryTest, TheModeIsAskedOfTheSameImeWindowOnlyWhenItMatters)
{
    g_nAlnumOff = 1;
    Tick(1);
    EXPECT_EQ(NonImeCalls().size(), 1u);  // the lamp
    EXPECT_EQ(g_Fake.calls[2], "SendMessageTimeout(8192,643,5,0)");
    EXPECT_EQ(g_Fake.calls[3], "SendMessageTimeout(8192,643,1,0)");

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
