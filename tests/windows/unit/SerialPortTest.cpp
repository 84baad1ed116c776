#include "windows/unit/fakes/LogicTest.h"

namespace {

using SerialPortTest = CLogicTest;

TEST_F(SerialPortTest, PortZeroIsRefusedWithoutAskingTheSystem)
{
    CSerialPort port;
    EXPECT_FALSE(port.Open(0, 9600, NOPARITY, ONESTOPBIT));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(g_Fake.calls.empty());
}

TEST_F(SerialPortTest, OpensTheDeviceNamespaceNameExclusivelyForEveryPortNumber)
{
    for (int nPort : {1, 9, 10, 20}) {
        CSerialPort port;
        ASSERT_TRUE(port.Open(nPort, 9600, NOPARITY, ONESTOPBIT));
        EXPECT_EQ(g_Fake.strLastDevice, L"\\\\.\\COM" + std::to_wstring(nPort));
    }
    EXPECT_EQ(g_Fake.dwLastAccess, GENERIC_READ | GENERIC_WRITE);
    EXPECT_EQ(g_Fake.dwLastShare, 0u);
    EXPECT_EQ(g_Fake.dwLastCreation, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(g_Fake.dwLastFlags, static_cast<DWORD>(FILE_FLAG_OVERLAPPED));
}

TEST_F(SerialPortTest, FailedOpenStoresNoHandle)
{
    g_Fake.hNextComm = INVALID_HANDLE_VALUE;
    CSerialPort port;
    EXPECT_FALSE(port.Open(3, 9600, NOPARITY, ONESTOPBIT));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetHandle(), nullptr);
    EXPECT_EQ(g_Fake.calls, (Calls{"CreateFile"}));
}

TEST_F(SerialPortTest, ChangesOnlyTheLineSettingsOfTheDeviceControlBlock)
{
    DCB& driver = g_Fake.dcbFromDriver;
    driver.BaudRate = 115200;
    driver.ByteSize = 7;
    driver.Parity = 2;
    driver.StopBits = 2;
    driver.fDtrControl = 1;
    driver.fRtsControl = 2;
    driver.fOutxCtsFlow = 1;
    driver.XonLim = 2048;
    driver.EvtChar = 'x';

    CSerialPort port;
    ASSERT_TRUE(port.Open(3, 9600, NOPARITY, ONESTOPBIT));

    const DCB& written = g_Fake.dcbWritten;
    EXPECT_EQ(written.BaudRate, 9600u);
    EXPECT_EQ(written.ByteSize, 8);
    EXPECT_EQ(written.Parity, NOPARITY);
    EXPECT_EQ(written.StopBits, ONESTOPBIT);
    EXPECT_EQ(written.fBinary, 1u);
    // Parity checking is switched on even though no parity is asked for.
    EXPECT_EQ(written.fParity, 1u);
    EXPECT_EQ(written.fDtrControl, 1u);
    EXPECT_EQ(written.fRtsControl, 2u);
    EXPECT_EQ(written.fOutxCtsFlow, 1u);
    EXPECT_EQ(written.XonLim, 2048);
    EXPECT_EQ(written.EvtChar, 'x');

    const COMMTIMEOUTS& t = g_Fake.timeoutsWritten;
    EXPECT_EQ(t.ReadIntervalTimeout, 100u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 10u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 10u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 10u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 10u);
    EXPECT_EQ(g_Fake.calls,
              (Calls{"CreateFile", "GetCommState", "SetCommState", "SetCommTimeouts"}));
}

TEST_F(SerialPortTest, UnreadableControlBlockIsNotWrittenBackButThePortStillOpens)
{
    g_Fake.bGetCommStateFails = true;
    CSerialPort port;
    EXPECT_TRUE(port.Open(3, 9600, NOPARITY, ONESTOPBIT));
    EXPECT_EQ(g_Fake.calls, (Calls{"CreateFile", "GetCommState", "SetCommTimeouts"}));
}

TEST_F(SerialPortTest, CloseReleasesTheHandleOnceAndIsIdempotent)
{
    {
        CSerialPort port;
        ASSERT_TRUE(port.Open(3, 9600, NOPARITY, ONESTOPBIT));
        port.Close();
        EXPECT_FALSE(port.IsOpen());
        port.Close();
    }
    EXPECT_EQ(g_Fake.nOpenHandles, 0);
    EXPECT_EQ(std::count(g_Fake.calls.begin(), g_Fake.calls.end(), "CloseHandle"), 1);
}

TEST_F(SerialPortTest, DestructorClosesAnOpenPort)
{
    {
        CSerialPort port;
        ASSERT_TRUE(port.Open(3, 9600, NOPARITY, ONESTOPBIT));
    }
    EXPECT_EQ(g_Fake.nOpenHandles, 0);
}

TEST_F(SerialPortTest, ConnectPortClearsDtrThenRtsAfterASuccessfulOpen)
{
    ASSERT_TRUE(ConnectPort(L"COM4"));
    EXPECT_TRUE(g_Port.IsOpen());
    EXPECT_EQ(g_Fake.calls, (Calls{"CreateFile", "GetCommState", "SetCommState", "SetCommTimeouts",
                                   "EscapeCommFunction(CLRDTR)", "EscapeCommFunction(CLRRTS)"}));
}

TEST_F(SerialPortTest, ConnectPortTouchesNoLineWhenTheOpenFails)
{
    g_Fake.hNextComm = INVALID_HANDLE_VALUE;
    EXPECT_FALSE(ConnectPort(L"COM4"));
    EXPECT_FALSE(ConnectPort(L"COM0"));
    EXPECT_FALSE(g_Port.IsOpen());
    EXPECT_EQ(g_Fake.calls, (Calls{"CreateFile"}));
}

TEST_F(SerialPortTest, OpeningWhileOpenIsRefusedWithoutTouchingTheWorkingPort)
{
    ASSERT_TRUE(ConnectPort(L"COM4"));
    g_Fake.calls.clear();
    EXPECT_FALSE(g_Port.Open(4, 9600, NOPARITY, ONESTOPBIT));
    EXPECT_FALSE(ConnectPort(L"COM5"));
    EXPECT_TRUE(g_Fake.calls.empty());
    EXPECT_TRUE(g_Port.IsOpen());
    EXPECT_EQ(g_Port.GetPortNumber(), 4);
}

TEST_F(SerialPortTest, TheSeamsLineChangeRaisesDtrThenRtsAndDropsThemInTheSameOrder)
{
    ASSERT_TRUE(sys::OpenLedPort(L"COM4"));
    g_Fake.calls.clear();
    EXPECT_EQ(sys::SetLedLines(sys::LedLines::Both, true), LineResult::Ok);
    EXPECT_EQ(sys::SetLedLines(sys::LedLines::Both, false), LineResult::Ok);
    EXPECT_EQ(g_Fake.calls, (Calls{"EscapeCommFunction(SETDTR)", "EscapeCommFunction(SETRTS)",
                                   "EscapeCommFunction(CLRDTR)", "EscapeCommFunction(CLRRTS)"}));
    // Closing is all the LED sees: the lines are left as they are.
    g_Fake.calls.clear();
    sys::CloseLedPort();
    EXPECT_EQ(g_Fake.calls, Calls{"CloseHandle"});
}

TEST_F(SerialPortTest, ALineTheLedIsNotOnIsNeverTouched)
{
    // DTR alone, lit while dropped: the off state after the open raises DTR.
    g_nLedLines = 1;
    g_nLedInverted = 1;
    ASSERT_TRUE(ConnectPort(L"COM4"));
    EXPECT_EQ(g_Fake.calls.back(), "EscapeCommFunction(SETDTR)");
    g_Fake.calls.clear();
    EXPECT_EQ(ShowLed(true), LineResult::Ok);
    EXPECT_EQ(g_Port.SetLines(sys::LedLines::Rts, true), LineResult::Ok);
    // A refused DTR is no reason to move RTS.
    g_Fake.failingEscapes = {CLRDTR};
    g_Fake.dwEscapeError = ERROR_INVALID_PARAMETER;
    EXPECT_EQ(g_Port.SetLines(sys::LedLines::Dtr, false), LineResult::Failed);
    EXPECT_EQ(g_Fake.calls, (Calls{"EscapeCommFunction(CLRDTR)", "EscapeCommFunction(SETRTS)",
                                   "EscapeCommFunction(CLRDTR)"}));
}

TEST_F(SerialPortTest, OnlyTheErrorsOfAVanishedDeviceCountAsGone)
{
    ASSERT_TRUE(ConnectPort(L"COM4"));
    EXPECT_EQ(g_Port.SetLines(sys::LedLines::Both, true), LineResult::Ok);

    // An adapter without RTS: DTR still moves.
    g_Fake.failingEscapes = {SETRTS, CLRRTS};
    for (DWORD dwError : {ERROR_INVALID_PARAMETER, ERROR_NOT_SUPPORTED}) {
        g_Fake.dwEscapeError = dwError;
        g_Fake.calls.clear();
        EXPECT_EQ(g_Port.SetLines(sys::LedLines::Both, false), LineResult::Failed) << dwError;
        EXPECT_EQ(g_Fake.calls,
                  (Calls{"EscapeCommFunction(CLRDTR)", "EscapeCommFunction(CLRRTS)"}));
        EXPECT_TRUE(g_Port.IsOpen());
    }

    g_Fake.bEscapeFails = true;
    for (DWORD dwError : {ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE, ERROR_NOT_READY,
                          ERROR_BAD_COMMAND, ERROR_GEN_FAILURE, ERROR_NO_SUCH_DEVICE,
                          ERROR_DEVICE_NOT_CONNECTED, ERROR_DEVICE_REMOVED}) {
        g_Fake.dwEscapeError = dwError;
        EXPECT_EQ(g_Port.SetLines(sys::LedLines::Both, true), LineResult::Gone) << dwError;
    }
}

}  // namespace
