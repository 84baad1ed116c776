#include "tests/core/fakes/SeamTest.h"

#include <climits>

namespace {

// Each test starts with no reading yet, disconnected or connected.
class ImePollerTest : public CSeamTest {
protected:
    static void Connect() { CSeamTest::Connect(L"COM3"); }
};

const Calls kOnConnected = {"Tray(ON_CONNECTED)", "Lines(on)"};
const Calls kOffConnected = {"Tray(OFF_CONNECTED)", "Lines(off)"};
const Calls kOnDisconnected = {"Tray(ON_DISCONNECTED)"};
const Calls kOffDisconnected = {"Tray(OFF_DISCONNECTED)"};

TEST_F(ImePollerTest, ImeOnWhileConnectedShowsTheBrightLampThenRaisesTheLines)
{
    Connect();
    EXPECT_EQ(Tick(1), kOnConnected);
}

TEST_F(ImePollerTest, ImeOffWhileConnectedShowsTheDarkLampThenDropsTheLines)
{
    Connect();
    EXPECT_EQ(Tick(0), kOffConnected);
}

TEST_F(ImePollerTest, AReadingOlderThanOneATickInsideItsQueryTookIsNeverApplied)
{
    Connect();
    Tick(0);
    g_Seam.calls.clear();
    // While this tick waits for the IME of the window in front (on), another window comes to the
    // front and the tick its switch runs reads that window's IME (off, unchanged).
    g_Seam.AnswerIme(1);
    g_Seam.onReadIme = [] {
        g_Seam.onReadIme = nullptr;
        g_Seam.AnswerIme(0);
        PollImeStatus();
    };
    PollImeStatus();
    EXPECT_EQ(g_Seam.calls, Calls{});
    EXPECT_EQ(Tick(0), Calls{});
}

TEST_F(ImePollerTest, WhileDisconnectedOnlyTheCrossedLampChanges)
{
    EXPECT_EQ(Tick(1), kOnDisconnected);
    EXPECT_EQ(Tick(0), kOffDisconnected);
}

TEST_F(ImePollerTest, EqualReadingsDoNothingAfterTheFirst)
{
    Connect();
    EXPECT_EQ(Tick(1), kOnConnected);
    EXPECT_EQ(Tick(1), Calls{});
    EXPECT_EQ(Tick(0), kOffConnected);
    EXPECT_EQ(Tick(0), Calls{});
}

TEST_F(ImePollerTest, TheStatusIsRememberedRawSoAnOddValueRepeatsTheOffActionsOnce)
{
    Connect();
    Tick(0);
    EXPECT_EQ(Tick(2), kOffConnected);
    EXPECT_EQ(g_nLastOpenStatus, 2);
    EXPECT_EQ(Tick(2), Calls{});
}

TEST_F(ImePollerTest, ResettingTheSentinelReappliesTheSameStatus)
{
    Tick(1);
    Connect();
    g_nLastOpenStatus = -1;
    EXPECT_EQ(Tick(1), kOnConnected);
}

TEST_F(ImePollerTest, AHungOrFailedQueryChangesNothing)
{
    Connect();
    Tick(1);
    g_Seam.calls.clear();
    g_Seam.ime.reset();
    PollImeStatus();
    EXPECT_EQ(g_Seam.calls, Calls{});
    EXPECT_EQ(g_nLastOpenStatus, 1);

    // Not even the sentinel's forced first action happens on a query that got no answer.
    g_nLastOpenStatus = -1;
    PollImeStatus();
    EXPECT_EQ(g_Seam.calls, Calls{});
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(ImePollerTest, APortWhoseLinesFailForAnotherReasonStaysConnected)
{
    Connect();
    g_Seam.lineResult = sys::LineResult::Failed;  // an adapter without RTS
    EXPECT_EQ(Tick(1), kOnConnected);
    EXPECT_EQ(Tick(0), kOffConnected);
    EXPECT_TRUE(sys::IsLedPortOpen());
}

TEST_F(ImePollerTest, MessagesHandledInsideTheShellCallKeepTheirEffect)
{
    // A device arrival handled while the shell call runs asks for a refresh.
    g_Seam.onTray = [] { RequestRefresh(); };
    Tick(1);
    EXPECT_EQ(g_nLastOpenStatus, -1);

    // The port's removal handled there closes it: no line change reaches the closed port.
    Connect();
    g_Seam.onTray = [] { OnPortDeviceRemoved(L"COM3"); };
    EXPECT_EQ(Tick(0), (Calls{"Tray(OFF_CONNECTED)", "Close"}));
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(ImePollerTest, TheLedsWiringChoosesItsLinesAndTheLevelThatLightsIt)
{
    // LedLines, LedInverted; the lines after the open, with the IME on, with the IME off.
    const struct {
        int nLines, nInverted;
        const char *pszOpen, *pszOn, *pszOff;
    } wirings[] = {
        {1, 0, "Lines(DTR off)", "Lines(DTR on)", "Lines(DTR off)"},
        {2, 1, "Lines(RTS on)", "Lines(RTS off)", "Lines(RTS on)"},
        {0, 1, "Lines(on)", "Lines(off)", "Lines(on)"},
        // Values no dialog stores act as the defaults.
        {7, 2, "Lines(off)", "Lines(on)", "Lines(off)"},
    };
    for (const auto& wiring : wirings) {
        g_nLedLines = wiring.nLines;
        g_nLedInverted = wiring.nInverted;
        g_Seam.Reset();
        g_nLastOpenStatus = -1;
        ASSERT_TRUE(ConnectPort(L"COM3"));
        EXPECT_EQ(g_Seam.calls, (Calls{"Open(COM3)", wiring.pszOpen})) << wiring.nLines;
        // The lamp follows the IME whatever the wiring.
        EXPECT_EQ(Tick(1), (Calls{"Tray(ON_CONNECTED)", wiring.pszOn})) << wiring.nLines;
        EXPECT_EQ(Tick(0), (Calls{"Tray(OFF_CONNECTED)", wiring.pszOff})) << wiring.nLines;
    }
}

TEST_F(ImePollerTest, WithAlnumOffOnlyAnOpenImeTypingItsOwnScriptCountsAsOn)
{
    g_Seam.AnswerIme(1, true);
    EXPECT_EQ(ReadTypingStatus(true), 1);
    g_Seam.AnswerIme(1, false);  // alphanumerics, half- or full-width
    EXPECT_EQ(ReadTypingStatus(true), 0);
    EXPECT_EQ(ReadTypingStatus(false), 1);
    g_Seam.AnswerIme(0, false);
    EXPECT_EQ(ReadTypingStatus(true), 0);
    g_Seam.AnswerIme(2, false);  // not open: kept raw
    EXPECT_EQ(ReadTypingStatus(true), 2);
    // No answer about the mode changes nothing, like no answer about the status.
    g_Seam.AnswerIme(1, true);
    g_Seam.bModeAnswers = false;
    EXPECT_EQ(ReadTypingStatus(true), std::nullopt);
    EXPECT_EQ(ReadTypingStatus(false), 1);

    g_nAlnumOff = 1;
    g_Seam.bModeAnswers = true;
    g_Seam.calls.clear();
    g_Seam.AnswerIme(1, false);
    PollImeStatus();
    EXPECT_EQ(g_Seam.calls, kOffDisconnected);
}

TEST_F(ImePollerTest, TheTickAsksForTheModeOnlyWhenAlnumOffIsExactlyOne)
{
    for (int nAlnumOff : {0, 2, -1, 1}) {
        g_nAlnumOff = nAlnumOff;
        g_nLastOpenStatus = -1;
        Tick(1);
        EXPECT_EQ(g_Seam.reads, Calls{nAlnumOff == 1 ? "ReadIme(mode)" : "ReadIme"}) << nAlnumOff;
    }
}

TEST(PollPeriodTest, FollowsTheStoredValueWithoutOverflowOrADeadTimer)
{
    EXPECT_EQ(PollPeriodMs(1), 100u);
    EXPECT_EQ(PollPeriodMs(5), 500u);
    EXPECT_EQ(PollPeriodMs(10), 1000u);
    EXPECT_EQ(PollPeriodMs(0), 500u);
    EXPECT_EQ(PollPeriodMs(-3), 500u);
    EXPECT_EQ(PollPeriodMs(INT_MIN), 500u);
    // 21474837 x 100 no longer fits in 32 bits.
    EXPECT_EQ(PollPeriodMs(21474836), 2147483600u);
    EXPECT_EQ(PollPeriodMs(21474837), 0x7FFFFFFFu);
    EXPECT_EQ(PollPeriodMs(INT_MAX), 0x7FFFFFFFu);
}

}  // namespace
