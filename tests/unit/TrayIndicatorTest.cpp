#include "core/TrayIndicator.h"
#include "fakes/FakeSystem.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

using Calls = std::vector<std::string>;
const HWND kMain = reinterpret_cast<HWND>(0x42);

class TrayIndicatorTest : public ::testing::Test {
protected:
    void SetUp() override { g_Fake.Reset(); }
};

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

TEST_F(TrayIndicatorTest, ATaskbarRestartAddsTheIconAgainWithThePresetItShowed)
{
    RegisterTrayPresets(kMain);
    ShowTrayPreset(TRAY_OFF_DISCONNECTED);
    g_Fake.calls.clear();
    OnTaskbarCreated();
    EXPECT_EQ(g_Fake.calls, (Calls{"Shell_NotifyIcon(NIM_ADD,3)"}));
}

TEST_F(TrayIndicatorTest, AnIconTheShellRefusedAtStartIsAddedByALaterTry)
{
    g_Fake.bShellAccepts = false;
    RegisterTrayPresets(kMain);
    ShowTrayPreset(TRAY_OFF_CONNECTED);  // no icon yet: tries to add, refused again
    g_Fake.bShellAccepts = true;
    g_Fake.calls.clear();

    RetryTrayIconIfMissing();
    RetryTrayIconIfMissing();  // once there, nothing more to do
    ShowTrayPreset(TRAY_ON_CONNECTED);
    EXPECT_EQ(g_Fake.calls,
              (Calls{"Shell_NotifyIcon(NIM_ADD,1)", "Shell_NotifyIcon(NIM_MODIFY,0)"}));
}

}  // namespace
