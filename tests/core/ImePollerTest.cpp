#include "windows/unit/fakes/LogicTest.h"

#include <climits>

namespace {

// Each test starts after a registered icon, with no reading yet, disconnected or connected.
class ImePollerTest : public CLogicTest {
protected:
    void SetUp() override
    {
        CLogicTest::SetUp();
        RegisterTray();
    }

    void Connect() { CLogicTest::Connect(3); }

    // One tick with the IME answering nStatus; returns what it did apart from the query itself.
    Calls Tick(int nStatus)
    {
        g_Fake.calls.clear();
        g_Fake.dwImeStatus = static_cast<DWORD_PTR>(static_cast<DWORD>(nStatus));
        PollImeStatus();
        return NonImeCalls();
    }
};

const Calls kOnConnected = {"Shell_NotifyIcon(NIM_MODIFY,0)", "EscapeCommFunction(SETDTR)",
                            "EscapeCommFunction(SETRTS)"};
const Calls kOffConnected = {"Shell_NotifyIcon(NIM_MODIFY,1)", "EscapeCommFunction(CLRDTR)",
                             "EscapeCommFunction(CLRRTS)"};
const Calls kOnDisconnected = {"Shell_NotifyIcon(NIM_MODIFY,2)"};
const Calls kOffDisconnected = {"Shell_NotifyIcon(NIM_MODIFY,3)"};

TEST_F(ImePollerTest, ImeOnWhileConnectedShowsTheBrightLampThenRaisesDtrThenRts)
{
    Connect();
    EXPECT_EQ(Tick(1), kOnConnected);
}

TEST_F(ImePollerTest, ImeOffWhileConnectedShowsTheDarkLampThenDropsDtrThenRts)
{
    Connect();
    EXPECT_EQ(Tick(0), kOffConnected);
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
    g_Fake.bImeAnswers = false;
    EXPECT_EQ(Tick(0), Calls{});
    EXPECT_EQ(g_nLastOpenStatus, 1);

    // Not even the sentinel's forced first action happens on a query that got no answer.
    g_nLastOpenStatus = -1;
    EXPECT_EQ(Tick(0), Calls{});
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(ImePollerTest, APortWhoseLinesFailForAnotherReasonStaysConnected)
{
    Connect();
    g_Fake.failingEscapes = {SETRTS, CLRRTS};  // an adapter without RTS
    g_Fake.dwEscapeError = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(Tick(1), kOnConnected);
    EXPECT_EQ(Tick(0), kOffConnected);
    EXPECT_TRUE(g_Port.IsOpen());
}

TEST_F(ImePollerTest, MessagesHandledInsideTheShellCallKeepTheirEffect)
{
    // A device arrival handled while the shell call runs asks for a refresh.
    g_Fake.onShellCall = [] { RequestRefresh(); };
    Tick(1);
    EXPECT_EQ(g_nLastOpenStatus, -1);

    // The port's removal handled there closes it: no line call reaches the closed handle.
    Connect();
    g_Fake.onShellCall = [] { OnPortDeviceRemoved(L"COM3"); };
    EXPECT_EQ(Tick(0), (Calls{"Shell_NotifyIcon(NIM_MODIFY,1)", "CloseHandle"}));
    EXPECT_EQ(g_nLastOpenStatus, -1);
}

TEST_F(ImePollerTest, WithAlnumOffOnlyAnOpenImeTypingItsOwnScriptCountsAsOn)
{
    g_Fake.dwImeStatus = 1;
    EXPECT_EQ(ReadTypingStatus(true), 1);
    g_Fake.dwConversionMode = 0;  // half-width alphanumerics
    EXPECT_EQ(ReadTypingStatus(true), 0);
    g_Fake.dwConversionMode = 8;  // full-width alphanumerics: not Japanese either
    EXPECT_EQ(ReadTypingStatus(true), 0);
    EXPECT_EQ(ReadTypingStatus(false), 1);
    g_Fake.dwImeStatus = 0;
    EXPECT_EQ(ReadTypingStatus(true), 0);
    // No answer about the mode changes nothing, like no answer about the status.
    g_Fake.dwImeStatus = 1;
    g_Fake.bModeAnswers = false;
    EXPECT_EQ(ReadTypingStatus(true), std::nullopt);

    g_nAlnumOff = 1;
    g_Fake.bModeAnswers = true;
    g_Fake.dwConversionMode = 0;
    EXPECT_EQ(Tick(1), kOffDisconnected);
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
