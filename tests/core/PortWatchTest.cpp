// An LED port that comes back: a reconnect that finds the port busy is tried again for a while,
// and waking from sleep sets the lamp and the lines again and checks the port.
#include "tests/core/fakes/SeamTest.h"

namespace {

const Calls kNothing;
const Calls kTry{"Open(COM3)"};
const Calls kLitAgain{"Open(COM3)", "Lines(off)", "Tray(ON_CONNECTED)", "Lines(on)"};

class PortWatchTest : public CSeamTest {
protected:
    void SetUp() override
    {
        CSeamTest::SetUp();
        g_nPortNumber = 3;
        Connect(L"COM3");
        g_Seam.AnswerIme(1);
        PollImeStatus();
        g_Seam.calls.clear();
    }

    // The lit LED's adapter unplugged, and the crossed lamp shown.
    static void Unplug()
    {
        OnPortDeviceRemoved(L"COM3");
        PollImeStatus();
        g_Seam.calls.clear();
    }

    // One tick, nMs after the last: what it asked for.
    static Calls TickAfter(unsigned int nMs)
    {
        g_Seam.nClockMs += nMs;
        g_Seam.calls.clear();
        PollImeStatus();
        return g_Seam.calls;
    }
};

TEST_F(PortWatchTest, ABusyPortIsTriedFiveTimesInTenSecondsThenLeftAlone)
{
    Unplug();
    g_Seam.busyPorts = {L"COM3"};
    OnPortDeviceArrived(L"COM3");
    EXPECT_EQ(g_Seam.calls, kTry);
    EXPECT_EQ(TickAfter(999), kNothing);
    EXPECT_EQ(TickAfter(1), kTry);  // 1 s after the arrival
    EXPECT_EQ(TickAfter(1999), kNothing);
    EXPECT_EQ(TickAfter(1), kTry);     // 3 s
    EXPECT_EQ(TickAfter(3000), kTry);  // 6 s
    EXPECT_EQ(TickAfter(4000), kTry);  // 10 s
    EXPECT_EQ(TickAfter(60000), kNothing);
    EXPECT_FALSE(sys::IsLedPortOpen());
}

TEST_F(PortWatchTest, APortFreedWhileWaitedForLightsTheLedInTheTickThatGetsIt)
{
    Unplug();
    g_Seam.busyPorts = {L"COM3"};
    OnPortDeviceArrived(L"COM3");
    g_Seam.busyPorts.clear();
    EXPECT_EQ(TickAfter(1000), kLitAgain);
    EXPECT_EQ(TickAfter(60000), kNothing);
}

TEST_F(PortWatchTest, OnlyABusyPortTheUserStillWantsIsTriedAgain)
{
    // Not there at all: nothing to wait for.
    Unplug();
    g_Seam.failingPorts = {L"COM3"};
    OnPortDeviceArrived(L"COM3");
    EXPECT_EQ(TickAfter(10000), kNothing);

    // Busy, but meanwhile the user made a port choice, or the settings came to name another port.
    g_Seam.failingPorts.clear();
    g_Seam.busyPorts = {L"COM3"};
    OnPortDeviceArrived(L"COM3");
    g_nPortNumber = 8;
    EXPECT_EQ(TickAfter(10000), kNothing);
    g_nPortNumber = 3;
    OnPortDeviceArrived(L"COM3");
    ForgetLostPort();
    EXPECT_EQ(TickAfter(10000), kNothing);
}

TEST_F(PortWatchTest, AfterSleepTheLampAndTheLinesAreSetAgain)
{
    // The adapter may have forgotten its lines: the IME status alone would not set them again.
    OnResumeFromSleep();
    EXPECT_EQ(g_Seam.calls, (Calls{"Tray(ON_CONNECTED)", "Lines(on)"}));
}

TEST_F(PortWatchTest, AfterSleepAPortResetUnderTheOpenHandleIsConnectedAgain)
{
    g_Seam.lineResult = sys::LineResult::Gone;
    OnResumeFromSleep();
    EXPECT_EQ(g_Seam.calls, (Calls{"Tray(ON_CONNECTED)", "Lines(on)", "Close", "Open(COM3)",
                                   "Lines(off)", "Tray(ON_CONNECTED)", "Lines(on)"}));
}

TEST_F(PortWatchTest, AfterSleepALostPortIsConnectedIfItIsThereAgain)
{
    Unplug();
    g_Seam.failingPorts = {L"COM3"};
    OnResumeFromSleep();
    EXPECT_EQ(g_Seam.calls, (Calls{"Tray(ON_DISCONNECTED)", "Open(COM3)"}));

    // A reset adapter that came back during sleep announces no arrival.
    g_Seam.failingPorts.clear();
    g_Seam.calls.clear();
    OnResumeFromSleep();
    EXPECT_EQ(g_Seam.calls, (Calls{"Tray(ON_DISCONNECTED)", "Open(COM3)", "Lines(off)",
                                   "Tray(ON_CONNECTED)", "Lines(on)"}));
}

TEST_F(PortWatchTest, ASessionAwayFromTheScreenLetsThePortGoAndTakesItBackOnReturn)
{
    for (const int nInverted : {0, 1}) {
        SCOPED_TRACE(nInverted);
        SetUp();
        g_nLedInverted = nInverted;
        OnSessionActive(false);
        EXPECT_EQ(g_Seam.calls, (Calls{nInverted ? "Lines(on)" : "Lines(off)", "Close"}));
        OnSessionActive(false);
        EXPECT_EQ(TickAfter(0), (Calls{"Tray(ON_DISCONNECTED)"}));

        // Nothing takes it back while another session is at the screen.
        OnPortDeviceArrived(L"COM3");
        OnResumeFromSleep();
        EXPECT_EQ(TickAfter(10000), kNothing);

        // The other session's Lumidot may hold it a moment longer.
        g_Seam.busyPorts = {L"COM3"};
        g_Seam.calls.clear();
        OnSessionActive(true);
        EXPECT_EQ(g_Seam.calls, kTry);
        g_Seam.busyPorts.clear();
        EXPECT_EQ(TickAfter(1000),
                  (Calls{"Open(COM3)", nInverted ? "Lines(on)" : "Lines(off)", "Tray(ON_CONNECTED)",
                         nInverted ? "Lines(off)" : "Lines(on)"}));
        g_Seam.calls.clear();
        OnSessionActive(true);
        EXPECT_EQ(g_Seam.calls, kNothing);
        TearDown();
    }
}

TEST_F(PortWatchTest, ASessionAwayFromTheScreenOpensNoPortTheUserClosed)
{
    sys::CloseLedPort();
    ForgetLostPort();
    OnSessionActive(false);
    OnSessionActive(true);
    EXPECT_EQ(g_Seam.calls, (Calls{"Close"}));
}

}  // namespace
