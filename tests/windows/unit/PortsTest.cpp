// COM ports as the Windows edition names, stores and lists them.
#include "windows/system/Ports.h"
#include "core/Platform.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(PortsTest, TheSettingsKeepTheNumberAndLeaveTheDevicePathAlone)
{
    EXPECT_EQ(sys::PortOfSettings(3, L"/dev/ttyUSB0"), L"COM3");
    EXPECT_EQ(sys::PortOfSettings(0, L""), L"COM0");
    int nNumber = 99;
    std::wstring strDevice = L"/dev/ttyUSB0";
    sys::PortToSettings(L"COM7", nNumber, strDevice);
    EXPECT_EQ(nNumber, 7);
    EXPECT_EQ(strDevice, L"/dev/ttyUSB0");
    sys::PortToSettings(L"", nNumber, strDevice);  // no port chosen
    EXPECT_EQ(nNumber, 0);
    sys::PortToSettings(L"com12", nNumber, strDevice);
    EXPECT_EQ(nNumber, 12);
    EXPECT_EQ(sys::PortDisplayName(L"COM3"), L"COM3");

    // Any stored number goes to a name and back unchanged.
    for (int nStored : {INT_MIN, -1, 0, 255, 256, INT_MAX}) {
        sys::PortToSettings(sys::PortOfSettings(nStored, L""), nNumber, strDevice);
        EXPECT_EQ(nNumber, nStored);
    }
}

TEST(PortsTest, TheDialogsListComOneUpAndShowNothingBelowIt)
{
    EXPECT_EQ(ComboIndexOfPort(L"COM3"), 2);
    EXPECT_EQ(ComboIndexOfPort(L"COM1"), 0);
    EXPECT_EQ(ComboIndexOfPort(L"COM42"), 41);
    EXPECT_EQ(ComboIndexOfPort(L"COM0"), -1);
    EXPECT_EQ(ComboIndexOfPort(L""), -1);
    // The extremes a hand-edited file may hold select nothing and overflow nothing.
    EXPECT_EQ(ComboIndexOfPort(ComPortName(INT_MIN)), -1);
    EXPECT_EQ(ComboIndexOfPort(ComPortName(INT_MAX)), INT_MAX - 1);

    EXPECT_EQ(PortOfComboIndex(2), L"COM3");
    EXPECT_EQ(PortOfComboIndex(0), L"COM1");
    EXPECT_EQ(PortOfComboIndex(-1), L"");  // no selection
}

TEST(PortsTest, ADeviceNotificationNamesARealPortInAnyCase)
{
    EXPECT_EQ(sys::CanonicalPortName(L"COM3"), L"COM3");
    EXPECT_EQ(sys::CanonicalPortName(L"com3"), L"COM3");
    EXPECT_EQ(sys::CanonicalPortName(L"\\\\.\\COM3"), L"COM3");
    EXPECT_EQ(sys::CanonicalPortName(L"COM03"), L"COM3");
    EXPECT_EQ(sys::CanonicalPortName(L"COM255"), L"COM255");
    for (const wchar_t* pszName :
         {L"", L"COM", L"COM0", L"COM256", L"COM-3", L"COM+3", L"COM3x", L"LPT1", L"CO"})
        EXPECT_EQ(sys::CanonicalPortName(pszName), L"") << pszName;
}

}  // namespace
