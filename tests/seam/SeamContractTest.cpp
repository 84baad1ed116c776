// The contract of core/Platform.h, as the shared logic relies on it. Built into each test binary
// with the seam it tests: the shared logic's fake of the seam must keep it as the real sides do.
#include "core/Platform.h"
#include "tests/seam/SeamControl.h"

#include <gtest/gtest.h>

namespace {

using seam_control::Port;
using sys::LineResult;

class SeamContractTest : public ::testing::Test {
protected:
    void SetUp() override { seam_control::Begin(); }
    void TearDown() override
    {
        sys::CloseLedPort();
        seam_control::End();
    }
};

TEST_F(SeamContractTest, ThePortHasItsNameWhileOpenAndNoneWhileClosed)
{
    EXPECT_FALSE(sys::IsLedPortOpen());
    EXPECT_EQ(sys::LedPortName(), L"");
    ASSERT_TRUE(sys::OpenLedPort(Port(1)));
    EXPECT_TRUE(sys::IsLedPortOpen());
    EXPECT_EQ(sys::LedPortName(), Port(1));

    sys::CloseLedPort();
    EXPECT_FALSE(sys::IsLedPortOpen());
    EXPECT_EQ(sys::LedPortName(), L"");
    sys::CloseLedPort();  // closing a closed port is harmless
    EXPECT_TRUE(sys::OpenLedPort(Port(2)));
    EXPECT_EQ(sys::LedPortName(), Port(2));
}

TEST_F(SeamContractTest, AnOpenIsRefusedWhileAPortIsOpenAndTheOpenPortStays)
{
    ASSERT_TRUE(sys::OpenLedPort(Port(1)));
    EXPECT_FALSE(sys::OpenLedPort(Port(2)));
    EXPECT_FALSE(sys::OpenLedPort(Port(1)));
    EXPECT_TRUE(sys::IsLedPortOpen());
    EXPECT_EQ(sys::LedPortName(), Port(1));
    EXPECT_EQ(sys::SetLedLines(sys::LedLines::Both, true), LineResult::Ok);
}

TEST_F(SeamContractTest, ANameThatIsNoPortIsRefused)
{
    // What the settings name when no port was chosen.
    int nNone = 0;
    std::wstring strNone;
    sys::PortToSettings(L"", nNone, strNone);
    for (const std::wstring& strName :
         {std::wstring(), sys::PortOfSettings(0, L""), sys::PortOfSettings(nNone, strNone)}) {
        EXPECT_FALSE(sys::OpenLedPort(strName)) << strName.size();
        EXPECT_FALSE(sys::IsLedPortOpen());
        EXPECT_EQ(sys::LedPortName(), L"");
    }
}

TEST_F(SeamContractTest, AFailedOpenLeavesThePortClosedAndTellsABusyPortFromAMissingOne)
{
    seam_control::FailOpens();
    EXPECT_FALSE(sys::OpenLedPort(Port(1)));
    EXPECT_FALSE(sys::LastOpenWasBusy());
    EXPECT_FALSE(sys::IsLedPortOpen());
    EXPECT_EQ(sys::LedPortName(), L"");

    seam_control::BusyOpens();
    EXPECT_FALSE(sys::OpenLedPort(Port(1)));
    EXPECT_TRUE(sys::LastOpenWasBusy());
    EXPECT_FALSE(sys::IsLedPortOpen());
    // A name that is no port is refused before the system is asked: nothing to try again.
    EXPECT_FALSE(sys::OpenLedPort(L""));
    EXPECT_FALSE(sys::LastOpenWasBusy());
}

TEST_F(SeamContractTest, AGoneDeviceIsReportedAndLetGoOfOnlyByTheLogic)
{
    ASSERT_TRUE(sys::OpenLedPort(Port(1)));
    EXPECT_EQ(sys::SetLedLines(sys::LedLines::Both, true), LineResult::Ok);
    EXPECT_EQ(sys::SetLedLines(sys::LedLines::Both, false), LineResult::Ok);
    seam_control::LoseDevice();
    EXPECT_EQ(sys::SetLedLines(sys::LedLines::Both, true), LineResult::Gone);
    EXPECT_TRUE(sys::IsLedPortOpen());
    EXPECT_EQ(sys::LedPortName(), Port(1));

    // A closed port's lines do not move.
    sys::CloseLedPort();
    EXPECT_NE(sys::SetLedLines(sys::LedLines::Both, true), LineResult::Ok);
    EXPECT_FALSE(sys::IsLedPortOpen());
}

TEST_F(SeamContractTest, APortGoesThroughTheSettingsAndTheDeviceNotificationsUnchanged)
{
    for (int nIndex : {1, 2}) {
        const std::wstring strPort = Port(nIndex);
        int nPortNumber = 0;
        std::wstring strPortDevice;
        sys::PortToSettings(strPort, nPortNumber, strPortDevice);
        EXPECT_EQ(sys::PortOfSettings(nPortNumber, strPortDevice), strPort);
        EXPECT_EQ(sys::CanonicalPortName(strPort), strPort);
        EXPECT_FALSE(sys::PortDisplayName(strPort).empty());
    }
    EXPECT_EQ(sys::CanonicalPortName(L""), L"");
}

TEST_F(SeamContractTest, TheProfileReadsBackWhatWasWrittenAndTheDefaultOtherwise)
{
    const std::wstring strPath = sys::GetIniPath();
    const wchar_t* pszPath = strPath.c_str();
    // No file yet.
    EXPECT_EQ(sys::ReadPrivateProfile(L"Setting", L"Key", L"default", 32, pszPath), L"default");

    ASSERT_TRUE(sys::WritePrivateProfile(L"Setting", L"Key", L"value", pszPath));
    ASSERT_TRUE(sys::WritePrivateProfile(L"Setting", L"Name", L"設定", pszPath));
    EXPECT_EQ(sys::ReadPrivateProfile(L"Setting", L"Key", L"default", 32, pszPath), L"value");
    EXPECT_EQ(sys::ReadPrivateProfile(L"setting", L"KEY", L"default", 32, pszPath), L"value");
    EXPECT_EQ(sys::ReadPrivateProfile(L"Setting", L"Name", L"", 32, pszPath), L"設定");
    EXPECT_EQ(sys::ReadPrivateProfile(L"Setting", L"Other", L"default", 32, pszPath), L"default");
    EXPECT_EQ(sys::ReadPrivateProfile(L"Other", L"Key", L"default", 32, pszPath), L"default");

    // At most cchBuffer - 1 characters, of a value or of the default.
    EXPECT_EQ(sys::ReadPrivateProfile(L"Setting", L"Key", L"default", 3, pszPath), L"va");
    EXPECT_EQ(sys::ReadPrivateProfile(L"Setting", L"Other", L"default", 3, pszPath), L"de");

    ASSERT_TRUE(sys::WritePrivateProfile(L"Setting", L"Key", L"", pszPath));
    EXPECT_EQ(sys::ReadPrivateProfile(L"Setting", L"Key", L"default", 32, pszPath), L"");
}

TEST_F(SeamContractTest, StartingAtLoginIsWhatWasLastSet)
{
    EXPECT_FALSE(sys::IsStartAtLoginOn());
    ASSERT_TRUE(sys::SetStartAtLogin(true));
    EXPECT_TRUE(sys::IsStartAtLoginOn());
    ASSERT_TRUE(sys::SetStartAtLogin(false));
    EXPECT_FALSE(sys::IsStartAtLoginOn());
}

TEST_F(SeamContractTest, TheImeReadingIsRawAndTellsTheModeOnlyWhenAsked)
{
    if (!seam_control::AnswerIme(1, false))
        GTEST_SKIP() << "this side's input method is not steered by the contract";
    std::optional<sys::ImeReading> reading = sys::ReadImeState(false);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->nOpenStatus, 1);
    EXPECT_TRUE(reading->bNative);
    reading = sys::ReadImeState(true);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->nOpenStatus, 1);
    EXPECT_FALSE(reading->bNative);

    seam_control::AnswerIme(1, true);
    reading = sys::ReadImeState(true);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->bNative);

    seam_control::AnswerIme(2, true);
    reading = sys::ReadImeState(false);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->nOpenStatus, 2);

    seam_control::SilenceIme();
    EXPECT_EQ(sys::ReadImeState(false), std::nullopt);
    EXPECT_EQ(sys::ReadImeState(true), std::nullopt);
}

}  // namespace
