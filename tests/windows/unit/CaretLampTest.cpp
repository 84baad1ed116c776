#include "windows/system/CaretLamp.h"

#include "windows/unit/fakes/LogicTest.h"

namespace {

using CaretLampTest = CLogicTest;

const HWND kForeground = reinterpret_cast<HWND>(0x1000);

// The location events' hook, as Windows calls it.
void MoveOf(LONG idObject)
{
    g_Fake.pfnMoveHook(nullptr, EVENT_OBJECT_LOCATIONCHANGE, kForeground, idObject, 0, 0, 0);
}

TEST_F(CaretLampTest, TheCaretComesFromTheThreadThenFromItsAccessibleObjectElseThePointer)
{
    struct Row {
        const char* pszCase;
        std::map<DWORD, RECT> carets;
        std::map<HWND, RECT> accessibleCarets;
        Calls expected;
    };
    const Row rows[] = {
        {"the thread's caret", {{1, {100, 200, 102, 218}}}, {{kForeground, {0, 0, 1, 1}}},
         {"ShowLampWindow(104,220,112,228,lit)"}},
        {"a caret drawn by the program", {}, {{kForeground, {300, 400, 301, 420}}},
         {"GetAccessibleCaret(4096)", "ShowLampWindow(303,422,311,430,lit)"}},
        {"no caret: beside the pointer", {}, {},
         {"GetAccessibleCaret(4096)", "ShowLampWindow(514,321,522,329,lit)"}},
    };
    for (const Row& row : rows) {
        sys::ShowCaretLamp(sys::CaretLamp::None);
        g_Fake.Reset();
        g_Fake.carets = row.carets;
        g_Fake.accessibleCarets = row.accessibleCarets;
        sys::ShowCaretLamp(sys::CaretLamp::Lit);
        Calls expected = {"CreateLampWindow", "SetWinEventHook(32779)", "IsFullScreenAppInFront",
                          "GetCaretOfThread(1)"};
        expected.insert(expected.end(), row.expected.begin(), row.expected.end());
        EXPECT_EQ(NonImeCalls(), expected) << row.pszCase;
    }
}

TEST_F(CaretLampTest, ItFollowsTheCaretsMovesAndThePointersOnlyWhileBesideIt)
{
    g_Fake.carets[1] = {100, 200, 102, 218};
    sys::ShowCaretLamp(sys::CaretLamp::Dark);
    g_Fake.calls.clear();
    MoveOf(OBJID_CURSOR);
    MoveOf(OBJID_WINDOW);
    EXPECT_EQ(g_Fake.calls, Calls{});

    g_Fake.carets[1] = {150, 200, 152, 218};
    MoveOf(OBJID_CARET);
    EXPECT_EQ(g_Fake.rcLamp.left, 154);
    EXPECT_FALSE(g_Fake.bLampLit);

    g_Fake.carets.clear();
    MoveOf(OBJID_CARET);
    g_Fake.cursor = {700, 300};
    g_Fake.calls.clear();
    MoveOf(OBJID_CURSOR);
    EXPECT_EQ(g_Fake.rcLamp.left, 714);
    // beside the pointer, its moves ask nothing of the program typed into
    EXPECT_EQ(NonImeCalls(), Calls{"ShowLampWindow(714,321,722,329,dark)"});
}

TEST_F(CaretLampTest, ItHidesWhileFullScreenOrLockedAndNothingOfItStaysAfterNone)
{
    FollowCaretLamp(true);  // no lamp yet: nothing asked
    EXPECT_EQ(g_Fake.calls, Calls{});
    sys::ShowCaretLamp(sys::CaretLamp::Lit);
    ASSERT_TRUE(g_Fake.bLampShown);

    g_Fake.bFullScreen = true;
    FollowCaretLamp(false);  // only a change of the foreground asks again
    EXPECT_TRUE(g_Fake.bLampShown);
    FollowCaretLamp(true);
    EXPECT_FALSE(g_Fake.bLampShown);
    g_Fake.bFullScreen = false;
    FollowCaretLamp(true);
    EXPECT_TRUE(g_Fake.bLampShown);

    OnSessionLock(true);
    EXPECT_FALSE(g_Fake.bLampShown);
    sys::ShowCaretLamp(sys::CaretLamp::Dark);
    EXPECT_FALSE(g_Fake.bLampShown);
    OnSessionLock(false);
    EXPECT_TRUE(g_Fake.bLampShown);

    sys::ShowCaretLamp(sys::CaretLamp::None);
    EXPECT_EQ(g_Fake.hLamp, nullptr);
    EXPECT_EQ(g_Fake.pfnMoveHook, nullptr);
    g_Fake.calls.clear();
    FollowCaretLamp(true);
    sys::ShowCaretLamp(sys::CaretLamp::None);
    EXPECT_EQ(g_Fake.calls, Calls{});
}

}  // namespace
