// Starting with Windows: the Run key's value names this exe, quoted.
#include "windows/unit/fakes/LogicTest.h"

namespace {

const std::wstring kRunValue = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Lumidot";

using StartAtLoginTest = CLogicTest;

TEST_F(StartAtLoginTest, TheRunValueNamesThisExeQuotedAndAnotherCopyDoesNotCount)
{
    g_Fake.strExePath = L"C:\\Program Files\\Lumidot\\Lumidot.exe";
    EXPECT_FALSE(sys::IsStartAtLoginOn());
    ASSERT_TRUE(sys::SetStartAtLogin(true));
    EXPECT_EQ(g_Fake.registry[kRunValue], L"\"C:\\Program Files\\Lumidot\\Lumidot.exe\"");
    EXPECT_TRUE(sys::IsStartAtLoginOn());

    g_Fake.registry[kRunValue] = L"\"c:\\program files\\lumidot\\LUMIDOT.EXE\"";
    EXPECT_TRUE(sys::IsStartAtLoginOn());
    g_Fake.registry[kRunValue] = L"\"C:\\Old\\Lumidot.exe\"";  // the exe was moved
    EXPECT_FALSE(sys::IsStartAtLoginOn());

    ASSERT_TRUE(sys::SetStartAtLogin(false));
    EXPECT_EQ(g_Fake.registry.count(kRunValue), 0u);
}

TEST_F(StartAtLoginTest, AnEntryTaskManagerDisabledIsOffAndTickingTheBoxEnablesItAgain)
{
    const std::wstring kApproved =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run\\Lumidot";
    ASSERT_TRUE(sys::SetStartAtLogin(true));
    g_Fake.registryBinary[kApproved] = {0x03, 0,    0,    0,    0x10, 0x2f,
                                        0x6c, 0x7d, 0xe2, 0x5d, 0xdb, 0x01};
    EXPECT_FALSE(sys::IsStartAtLoginOn());
    g_Fake.registryBinary[kApproved] = {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(sys::IsStartAtLoginOn());

    g_Fake.registryBinary[kApproved] = {0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(sys::SetStartAtLogin(true));
    EXPECT_TRUE(sys::IsStartAtLoginOn());
}

}  // namespace
