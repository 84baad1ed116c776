// The Windows edition's tick, from the poll timer or at once from a foreground switch.
#include "windows/app/Tick.h"
#include "windows/unit/fakes/LogicTest.h"

namespace {

using TickTest = CLogicTest;

TEST_F(TickTest, AWindowTakingTheForegroundRunsTheTickAtOnceAndNothingElseDoes)
{
    RegisterTray();
    g_Fake.dwImeStatus = 1;
    const HWND hWindow = reinterpret_cast<HWND>(0x5000);
    OnWinEvent(EVENT_OBJECT_FOCUS, hWindow, OBJID_WINDOW, CHILDID_SELF);
    OnWinEvent(EVENT_SYSTEM_FOREGROUND, hWindow, OBJID_CARET, CHILDID_SELF);
    EXPECT_TRUE(g_Fake.calls.empty());

    OnWinEvent(EVENT_SYSTEM_FOREGROUND, hWindow, OBJID_WINDOW, CHILDID_SELF);
    EXPECT_EQ(NonImeCalls(), Calls{"Shell_NotifyIcon(NIM_MODIFY,2)"});
}

}  // namespace
