#include "windows/res/resource.h"
#include "windows/unit/fakes/LogicTest.h"

#include <cwchar>

namespace {

const HWND kMain = reinterpret_cast<HWND>(0x42);

using TrayIndicatorTest = CLogicTest;

TEST_F(TrayIndicatorTest, RegisterFillsFourRecordsOfTheSameIcon)
{
    RegisterTrayPresets(kMain);
    const UINT icons[] = {IDI_LAMP_ON, IDI_LAMP_OFF, IDI_LAMP_ON_NOPORT, IDI_LAMP_OFF_NOPORT};
    const wchar_t* tips[] = {L"IME ON", L"IME OFF", L"IME ON", L"IME OFF"};
    for (int i = 0; i < TRAY_PRESET_COUNT; ++i) {
        const NOTIFYICONDATAW& nid = g_TrayPresets[i];
        EXPECT_EQ(nid.cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE));
        EXPECT_EQ(nid.hWnd, kMain);
        EXPECT_EQ(nid.uID, 0u);
        EXPECT_EQ(nid.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
        EXPECT_EQ(nid.uCallbackMessage, 0x464u);
        EXPECT_EQ(nid.hIcon, reinterpret_cast<HICON>(static_cast<std::uintptr_t>(icons[i])));
        EXPECT_STREQ(nid.szTip, tips[i]);
    }
}

TEST_F(TrayIndicatorTest, RegisterAddsAllFourInOrderAndRemoveDeletesAllFour)
{
    RegisterTrayPresets(kMain);
    RemoveTrayPresets();
    EXPECT_EQ(g_Fake.calls,
              (Calls{"Shell_NotifyIcon(NIM_ADD,0)", "Shell_NotifyIcon(NIM_ADD,1)",
                     "Shell_NotifyIcon(NIM_ADD,2)", "Shell_NotifyIcon(NIM_ADD,3)",
                     "Shell_NotifyIcon(NIM_DELETE,0)", "Shell_NotifyIcon(NIM_DELETE,1)",
                     "Shell_NotifyIcon(NIM_DELETE,2)", "Shell_NotifyIcon(NIM_DELETE,3)"}));
}

TEST_F(TrayIndicatorTest, EachPresetIsShownByModifyingTheIconWithItsOwnRecord)
{
    RegisterTrayPresets(kMain);
    g_Fake.calls.clear();
    for (int i = 0; i < TRAY_PRESET_COUNT; ++i)
        sys::ShowTrayPreset(i);
    EXPECT_EQ(g_Fake.calls,
              (Calls{"Shell_NotifyIcon(NIM_MODIFY,0)", "Shell_NotifyIcon(NIM_MODIFY,1)",
                     "Shell_NotifyIcon(NIM_MODIFY,2)", "Shell_NotifyIcon(NIM_MODIFY,3)"}));
}

TEST_F(TrayIndicatorTest, AfterAnExplorerRestartTheIconIsAddedAgainWithThePresetItShowed)
{
    RegisterTrayPresets(kMain);
    ShowTrayPreset(TRAY_OFF_DISCONNECTED);
    g_Fake.icons.clear();  // the new shell has no icons
    g_Fake.calls.clear();
    OnTaskbarCreated();
    EXPECT_EQ(g_Fake.calls,
              (Calls{"Shell_NotifyIcon(NIM_MODIFY,3)", "Shell_NotifyIcon(NIM_ADD,3)"}));
}

TEST_F(TrayIndicatorTest, TaskbarCreatedWhileTheIconStillExistsKeepsTheLampFollowing)
{
    // Windows also sends it when the display scaling changes: the shell still has our icon.
    RegisterTrayPresets(kMain);
    OnTaskbarCreated();
    g_Fake.calls.clear();
    ShowTrayPreset(TRAY_OFF_CONNECTED);
    EXPECT_EQ(g_Fake.calls, (Calls{"Shell_NotifyIcon(NIM_MODIFY,1)"}));
}

TEST_F(TrayIndicatorTest, AnAddThatReportedFailureYetTookEffectIsConfirmedByAModify)
{
    g_Fake.bAddReportsFailure = true;  // a busy logon: the shell gave up waiting, yet added it
    RegisterTrayPresets(kMain);
    ShowTrayPreset(TRAY_OFF_CONNECTED);
    EXPECT_EQ(g_Fake.calls,
              (Calls{"Shell_NotifyIcon(NIM_ADD,0)", "Shell_NotifyIcon(NIM_MODIFY,0)",
                     "Shell_NotifyIcon(NIM_ADD,1)", "Shell_NotifyIcon(NIM_ADD,2)",
                     "Shell_NotifyIcon(NIM_ADD,3)", "Shell_NotifyIcon(NIM_MODIFY,1)"}));
}

TEST_F(TrayIndicatorTest, AnIconTheShellRefusedAtStartIsPlacedByALaterTryNoMoreOftenThanItAllows)
{
    g_Fake.bShellAccepts = false;
    RegisterTrayPresets(kMain);
    g_Fake.bShellAccepts = true;
    g_Fake.calls.clear();

    // Every tick and lamp change would block on a busy shell: they wait for the retry period.
    ShowTrayPreset(TRAY_OFF_CONNECTED);
    RetryTrayIconIfMissing();
    EXPECT_TRUE(g_Fake.calls.empty());

    g_Fake.dwTickCount += TRAY_RETRY_MS;
    RetryTrayIconIfMissing();
    RetryTrayIconIfMissing();  // once there, nothing more to do
    ShowTrayPreset(TRAY_ON_CONNECTED);
    EXPECT_EQ(g_Fake.calls,
              (Calls{"Shell_NotifyIcon(NIM_ADD,1)", "Shell_NotifyIcon(NIM_MODIFY,0)"}));
}

}  // namespace
