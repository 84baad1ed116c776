#include "core/Lifecycle.h"
#include "windows/unit/fakes/LogicTest.h"
#include "windows/unit/fakes/TempExeFolder.h"

#include <memory>

namespace {

// The front-end's part of start-up and shutdown, logged into the same list as the system calls.
// Its tray is the real one, so the shell fake sees what the program leaves in the tray.
class CFakeAppHost : public IAppHost {
public:
    bool bOtherInstanceRuns = false;

    bool ClaimInstance() override { return Log("ClaimInstance"), !bOtherInstanceRuns; }
    void ReleaseInstance() override { Log("ReleaseInstance"); }
    void AddTrayIcon() override { RegisterTrayPresets(reinterpret_cast<HWND>(0x42)); }
    void RemoveTrayIcon() override { RemoveTrayPresets(); }
    void StartPollTimer(unsigned int nPeriodMs) override
    {
        Log("SetTimer(" + std::to_string(nPeriodMs) + ")");
    }
    void StopPollTimer() override { Log("KillTimer"); }

private:
    static void Log(std::string strCall) { g_Fake.calls.push_back(std::move(strCall)); }
};

class LifecycleTest : public CLogicTest {
protected:
    void SetUp() override
    {
        CLogicTest::SetUp();
        m_folder = std::make_unique<CTempExeFolder>();
    }

    CFakeAppHost host;
    CLifecycle lifecycle{host};
    std::unique_ptr<CTempExeFolder> m_folder;
};

const Calls kAddIcon = {"Shell_NotifyIcon(NIM_ADD,0)", "Shell_NotifyIcon(NIM_ADD,1)",
                        "Shell_NotifyIcon(NIM_ADD,2)", "Shell_NotifyIcon(NIM_ADD,3)"};
const Calls kRemoveIcon = {"Shell_NotifyIcon(NIM_DELETE,0)", "Shell_NotifyIcon(NIM_DELETE,1)",
                           "Shell_NotifyIcon(NIM_DELETE,2)", "Shell_NotifyIcon(NIM_DELETE,3)"};

Calls Concat(std::initializer_list<Calls> parts)
{
    Calls all;
    for (const Calls& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(LifecycleTest, StartUpTakesEverythingInOrderAndShutDownGivesItBackOnce)
{
    m_folder->WriteIni("[Setting]\r\nPortNumber=3\r\nUpdateTime=2\r\nAutoConnect=1\r\n");
    ASSERT_TRUE(lifecycle.StartUp());
    EXPECT_EQ(g_Fake.calls, Concat({{"ClaimInstance"},
                                    kAddIcon,
                                    {"CreateFile", "GetCommState", "SetCommState",
                                     "SetCommTimeouts", "EscapeCommFunction(CLRDTR)",
                                     "EscapeCommFunction(CLRRTS)", "SetTimer(200)"}}));

    g_Fake.calls.clear();
    g_nUpdateTime = 7;
    lifecycle.ShutDown();
    // The window's destruction after the end of the session repeats nothing.
    lifecycle.ShutDown();
    EXPECT_EQ(g_Fake.calls,
              Concat({{"KillTimer"}, kRemoveIcon, {"CloseHandle", "ReleaseInstance"}}));
    EXPECT_TRUE(g_Fake.icons.empty());
    EXPECT_EQ(m_folder->ReadIni(),
              "[Setting]\r\nPortNumber=3\r\nUpdateTime=7\r\nAutoConnect=1\r\n");
}

TEST_F(LifecycleTest, OnlyAutoConnectOfExactlyOneOpensThePortAtStart)
{
    for (const char* pszValue : {"0", "2", "-1", ""}) {
        m_folder->WriteIni(std::string("[Setting]\nAutoConnect=") + pszValue + "\n");
        CLifecycle other(host);
        ASSERT_TRUE(other.StartUp());
        EXPECT_FALSE(g_Port.IsOpen()) << pszValue;
        other.ShutDown();
    }
    EXPECT_EQ(std::count(g_Fake.calls.begin(), g_Fake.calls.end(), "CreateFile"), 0);
}

TEST_F(LifecycleTest, ASecondInstanceTouchesNothingButItsOwnClaim)
{
    host.bOtherInstanceRuns = true;
    EXPECT_FALSE(lifecycle.StartUp());
    lifecycle.ShutDown();
    EXPECT_EQ(g_Fake.calls, (Calls{"ClaimInstance", "ReleaseInstance"}));
    EXPECT_FALSE(std::filesystem::exists(m_folder->IniPath()));
}

}  // namespace
