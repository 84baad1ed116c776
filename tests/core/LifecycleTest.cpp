#include "core/Lifecycle.h"
#include "tests/core/fakes/SeamTest.h"

#include <algorithm>
#include <initializer_list>

namespace {

// The front-end's part of start-up and shutdown, logged into the same list as the seam's calls.
class CFakeAppHost : public IAppHost {
public:
    bool bOtherInstanceRuns = false;

    bool ClaimInstance() override { return Log("ClaimInstance"), !bOtherInstanceRuns; }
    void ReleaseInstance() override { Log("ReleaseInstance"); }
    void AddTrayIcon() override { Log("AddTrayIcon"); }
    void RemoveTrayIcon() override { Log("RemoveTrayIcon"); }
    void StartPollTimer(unsigned int nPeriodMs) override
    {
        Log("StartTimer(" + std::to_string(nPeriodMs) + ")");
    }
    void StopPollTimer() override { Log("StopTimer"); }

private:
    static void Log(std::string strCall) { g_Seam.calls.push_back(std::move(strCall)); }
};

class LifecycleTest : public CSeamTest {
protected:
    CFakeAppHost host;
    CLifecycle lifecycle{host};
};

Calls Concat(std::initializer_list<Calls> parts)
{
    Calls all;
    for (const Calls& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(LifecycleTest, StartUpTakesEverythingInOrderAndShutDownGivesItBackOnce)
{
    g_Seam.WriteIni("[Setting]\r\nPortNumber=3\r\nUpdateTime=2\r\nAutoConnect=1\r\n");
    ASSERT_TRUE(lifecycle.StartUp());
    EXPECT_TRUE(lifecycle.IsRunning());
    EXPECT_EQ(g_Seam.calls, (Calls{"ClaimInstance", "AddTrayIcon", "Open(COM3)", "Lines(off)",
                                   "StartTimer(200)"}));

    g_Seam.calls.clear();
    g_nUpdateTime = 7;
    lifecycle.ShutDown();
    // The window's destruction after the end of the session repeats nothing.
    lifecycle.ShutDown();
    EXPECT_FALSE(lifecycle.IsRunning());
    // The lines are left as they are: closing the port is what the LED sees.
    EXPECT_EQ(g_Seam.calls, Concat({{"StopTimer", "RemoveTrayIcon", "Close"},
                                    SavedKeys(3, 7, 1),
                                    {"ReleaseInstance"}}));
    EXPECT_FALSE(sys::IsLedPortOpen());
    EXPECT_EQ(g_Seam.Ini(), "[Setting]\r\nPortNumber=3\r\nUpdateTime=7\r\nAutoConnect=1\r\n");
}

TEST_F(LifecycleTest, OnlyAutoConnectOfExactlyOneOpensThePortAtStart)
{
    for (const char* pszValue : {"0", "2", "-1", ""}) {
        g_Seam.WriteIni(std::string("[Setting]\nAutoConnect=") + pszValue + "\n");
        CLifecycle other(host);
        ASSERT_TRUE(other.StartUp());
        EXPECT_FALSE(sys::IsLedPortOpen()) << pszValue;
        other.ShutDown();
    }
    EXPECT_EQ(std::count_if(g_Seam.calls.begin(), g_Seam.calls.end(),
                            [](const std::string& s) { return s.rfind("Open(", 0) == 0; }),
              0);
}

TEST_F(LifecycleTest, ShutDownRemovesTheLampAtTheCaretWithTheTrayIcon)
{
    g_Seam.WriteIni("[Setting]\r\nCaretLamp=1\r\n");
    ASSERT_TRUE(lifecycle.StartUp());
    PollImeStatus();
    ASSERT_EQ(g_Seam.caretLamp, sys::CaretLamp::Dark);
    g_Seam.calls.clear();
    lifecycle.ShutDown();
    EXPECT_EQ(g_Seam.calls.at(2), "CaretLamp(none)");
}

TEST_F(LifecycleTest, ASecondInstanceTouchesNothingButItsOwnClaim)
{
    host.bOtherInstanceRuns = true;
    EXPECT_FALSE(lifecycle.StartUp());
    EXPECT_FALSE(lifecycle.IsRunning());
    lifecycle.ShutDown();
    EXPECT_EQ(g_Seam.calls, (Calls{"ClaimInstance", "ReleaseInstance"}));
    EXPECT_FALSE(g_Seam.HasIni());
}

}  // namespace
