// The Windows edition's tick, from the poll timer, at once from the system's events, and after an
// IME key.
#include "windows/app/Tick.h"
#include "windows/unit/fakes/LogicTest.h"

namespace {

using TickTest = CLogicTest;

TEST_F(TickTest, TheForegroundFocusAndImeEventsRunTheTickAtOnceAndNothingElseDoes)
{
    RegisterTray();
    const HWND hWindow = reinterpret_cast<HWND>(0x5000);
    OnWinEvent(EVENT_SYSTEM_FOREGROUND, hWindow, OBJID_CARET, CHILDID_SELF);
    OnWinEvent(EVENT_OBJECT_LOCATIONCHANGE, hWindow, OBJID_CARET, CHILDID_SELF);
    EXPECT_TRUE(g_Fake.calls.empty());

    const DWORD events[] = {EVENT_SYSTEM_FOREGROUND, EVENT_OBJECT_FOCUS, EVENT_OBJECT_IME_CHANGE};
    for (const DWORD dwEvent : events) {
        g_Fake.dwImeStatus = g_nLastOpenStatus == 1 ? 0 : 1;
        OnWinEvent(dwEvent, hWindow, OBJID_WINDOW, CHILDID_SELF);
        EXPECT_EQ(g_nLastOpenStatus, static_cast<int>(g_Fake.dwImeStatus)) << dwEvent;
    }
}

TEST_F(TickTest, AnImeKeyIsFollowedByAFewReadsAndOtherKeysByNone)
{
    for (const DWORD dwKey : {0x15u, 0x16u, 0x19u, 0x1Au, 0x1Cu, 0x1Du, 0xF0u, 0xF3u, 0xF4u, 0xFDu})
        EXPECT_TRUE(IsImeKey(dwKey)) << dwKey;
    // Letters, space, shift, control, Alt and the keys next to the IME keys' codes.
    for (const DWORD dwKey : {0x41u, 0x20u, 0x10u, 0x11u, 0x12u, 0x14u, 0x1Bu, 0xEFu, 0xFEu})
        EXPECT_FALSE(IsImeKey(dwKey)) << dwKey;

    RegisterTray();
    unsigned int nDelay = OnImeKeySeen();
    EXPECT_TRUE(g_Fake.calls.empty()) << "the IME has not handled the key yet";
    unsigned int nReads = 0, nTotalMs = 0;
    for (; nDelay != 0 && nReads < 100; ++nReads) {
        nTotalMs += nDelay;
        nDelay = OnReadAfterImeKey();
    }
    EXPECT_GE(nReads, 3u);
    EXPECT_LE(nReads, 8u);
    EXPECT_GE(nTotalMs, 200u);
    EXPECT_LE(nTotalMs, 1000u);
    // Each of them read the IME; once done, a stray timer reads nothing.
    EXPECT_EQ(std::count(g_Fake.calls.begin(), g_Fake.calls.end(), "GetForegroundWindow"),
              static_cast<long>(nReads));
    g_Fake.calls.clear();
    EXPECT_EQ(OnReadAfterImeKey(), 0u);
    EXPECT_TRUE(g_Fake.calls.empty());
}

}  // namespace
