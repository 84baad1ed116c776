// COM ports as the Windows edition names, stores and lists them.
#include "windows/system/Ports.h"
#include "core/Platform.h"
#include "windows/unit/fakes/LogicTest.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using PortListTest = CLogicTest;

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

TEST(PortsTest, TheDialogsListComOneToTwentyThenThePortsAboveThatExist)
{
    const CComPortList ports({23, 5, 21, 23}, {}, L"COM3");
    ASSERT_EQ(ports.Count(), 22);
    EXPECT_EQ(ports.PortAt(0), L"COM1");
    EXPECT_EQ(ports.PortAt(19), L"COM20");
    EXPECT_EQ(ports.PortAt(20), L"COM21");
    EXPECT_EQ(ports.PortAt(21), L"COM23");
    EXPECT_FALSE(ports.IsUnpluggedAt(21));
    EXPECT_EQ(ports.PortAt(-1), L"");  // no selection
    EXPECT_EQ(ports.PortAt(22), L"");
    EXPECT_EQ(ports.DeviceNameAt(-1), L"");

    EXPECT_EQ(ports.IndexOf(L"COM3"), 2);
    EXPECT_EQ(ports.IndexOf(L"COM23"), 21);
    // A port that does not exist now, and the extremes a hand-edited file may hold, select
    // nothing and overflow nothing.
    for (const std::wstring& strPort :
         {std::wstring(L"COM22"), std::wstring(L"COM42"), std::wstring(L"COM0"), std::wstring(),
          ComPortName(INT_MIN), ComPortName(INT_MAX)})
        EXPECT_EQ(ports.IndexOf(strPort), -1) << strPort.size();
}

TEST(PortsTest, TheConfiguredPortStaysListedAndMarkedWhileItsAdapterIsUnplugged)
{
    const CComPortList ports({23, 21}, {{22, L"USB Serial Port (COM22)"}}, L"COM22");
    ASSERT_EQ(ports.Count(), 23);
    EXPECT_EQ(ports.IndexOf(L"COM22"), 21);
    EXPECT_EQ(ports.PortAt(21), L"COM22");
    EXPECT_TRUE(ports.IsUnpluggedAt(21));
    EXPECT_EQ(ports.DeviceNameAt(21), L"USB Serial Port (COM22)");
    EXPECT_FALSE(ports.IsUnpluggedAt(22));
    EXPECT_FALSE(ports.IsUnpluggedAt(-1));

    // COM1 to COM20 are listed anyway, and no number Windows gives a port is made up.
    for (const std::wstring& strConfigured :
         {std::wstring(L"COM3"), std::wstring(L"COM256"), std::wstring(L"COM0"), std::wstring(),
          ComPortName(INT_MIN)})
        EXPECT_EQ(CComPortList({}, {}, strConfigured).Count(), 20) << strConfigured.size();
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

TEST_F(PortListTest, PortsComeFromTheSerialPortMapAndNamesFromDeviceManagersDevices)
{
    const std::wstring strEnum = L"System\\CurrentControlSet\\Enum\\";
    g_Fake.machineKeys = {
        {L"HARDWARE\\DEVICEMAP\\SERIALCOMM",
         {{L"\\Device\\Serial0", L"COM1"},
          {L"\\Device\\Silabser0", L"COM21"},
          {L"\\Device\\VCP0", L"COM23"},
          {L"\\Device\\Odd", L"COM256"}}},
        // An FTDI adapter, by its FriendlyName.
        {strEnum + L"FTDIBUS\\VID_0403+PID_6001+A10K1234A\\0000",
         {{L"FriendlyName", L"USB Serial Port (COM23)"}, {L"DeviceDesc", L"USB Serial Port"}}},
        {strEnum + L"FTDIBUS\\VID_0403+PID_6001+A10K1234A\\0000\\Device Parameters",
         {{L"PortName", L"COM23"}}},
        // One without a FriendlyName, its DeviceDesc kept as an indirect string.
        {strEnum + L"USB\\VID_10C4&PID_EA60\\0001",
         {{L"DeviceDesc", L"@oem12.inf,%cp210x.desc%;CP210x USB to UART Bridge"}}},
        {strEnum + L"USB\\VID_10C4&PID_EA60\\0001\\Device Parameters", {{L"PortName", L"COM21"}}},
        // A printer port, and a device without a port.
        {strEnum + L"ACPI\\PNP0401\\0", {{L"FriendlyName", L"Printer Port (LPT1)"}}},
        {strEnum + L"ACPI\\PNP0401\\0\\Device Parameters", {{L"PortName", L"LPT1"}}},
        {strEnum + L"ROOT\\DISPLAY\\0000", {{L"FriendlyName", L"Display"}}},
        {strEnum + L"ACPI\\PNP0501\\1", {{L"FriendlyName", L"通信ポート (COM1)"}}},
        {strEnum + L"ACPI\\PNP0501\\1\\Device Parameters", {{L"PortName", L"COM1"}}},
    };
    const CComPortList ports = CComPortList::Read(L"COM1");
    ASSERT_EQ(ports.Count(), 22);
    EXPECT_EQ(ports.PortAt(20), L"COM21");
    EXPECT_EQ(ports.PortAt(21), L"COM23");
    EXPECT_EQ(ports.DeviceNameAt(0), L"通信ポート (COM1)");
    EXPECT_EQ(ports.DeviceNameAt(20), L"CP210x USB to UART Bridge");
    EXPECT_EQ(ports.DeviceNameAt(21), L"USB Serial Port (COM23)");
    EXPECT_EQ(ports.DeviceNameAt(2), L"");

    // Without the map and the devices (Wine keeps no devices for its ports) COM1 to COM20 stay.
    g_Fake.machineKeys.clear();
    EXPECT_EQ(CComPortList::Read(L"COM1").Count(), 20);
}

}  // namespace
