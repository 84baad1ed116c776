#include "windows/system/SerialPort.h"

#include "windows/system/Ports.h"

#include <cwchar>

CSerialPort g_Port;

BOOL CSerialPort::Open(int nPort, DWORD dwBaudRate, BYTE byParity, BYTE byStopBits)
{
    m_bLastOpenBusy = false;
    if (nPort == 0 || IsOpen())
        return FALSE;

    // The device-namespace form, so that COM10 and above open like COM1 to COM9.
    wchar_t szName[32];
    std::swprintf(szName, sizeof szName / sizeof szName[0], L"\\\\.\\COM%d", nPort);

    m_hComm.Reset(win32::CreateFile(szName, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED));
    if (!m_hComm) {
        m_bLastOpenBusy = IsBusyOpenError(win32::GetLastError());
        return FALSE;
    }
    m_nPort = nPort;

    // Change only the line settings; every other field, the DTR and RTS control modes included,
    // stays as the driver reported it. If the block can't be read there is nothing sound to write
    // back, so the write is skipped; the port still counts as open.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (win32::GetCommState(m_hComm.Get(), &dcb)) {
        dcb.BaudRate = dwBaudRate;
        dcb.ByteSize = 8;
        dcb.Parity = byParity;
        dcb.StopBits = byStopBits;
        dcb.fBinary = 1;
        dcb.fParity = 1;
        win32::SetCommState(m_hComm.Get(), &dcb);
    }

    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 100;
    timeouts.ReadTotalTimeoutMultiplier = 10;
    timeouts.ReadTotalTimeoutConstant = 10;
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 10;
    win32::SetCommTimeouts(m_hComm.Get(), &timeouts);
    return TRUE;
}

LineResult CSerialPort::SetLines(sys::LedLines lines, bool bRaise)
{
    const DWORD dwDtr = bRaise ? SETDTR : CLRDTR;
    const DWORD dwRts = bRaise ? SETRTS : CLRRTS;
    const struct {
        bool bChosen;
        DWORD dwFunc;
    } steps[] = {{lines != sys::LedLines::Rts, dwDtr}, {lines != sys::LedLines::Dtr, dwRts}};
    LineResult result = LineResult::Ok;
    for (const auto& step : steps) {
        // A line the LED is not on may carry something else, such as a board's reset.
        if (!step.bChosen || win32::EscapeCommFunction(m_hComm.Get(), step.dwFunc))
            continue;
        if (IsDeviceGoneError(win32::GetLastError()))
            return LineResult::Gone;
        result = LineResult::Failed;
    }
    return result;
}

bool IsDeviceGoneError(DWORD dwError)
{
    switch (dwError) {
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
    case ERROR_NO_SUCH_DEVICE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
        return true;
    default:
        return false;
    }
}

bool IsBusyOpenError(DWORD dwError)
{
    switch (dwError) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
        return true;
    default:
        return false;
    }
}

namespace sys {

bool OpenLedPort(const std::wstring& strPort)
{
    return g_Port.Open(ComPortNumber(strPort), 9600, NOPARITY, ONESTOPBIT) != FALSE;
}

bool LastOpenWasBusy() { return g_Port.WasLastOpenBusy(); }

// Windows tells a port in use from one refused for its rights by the same ERROR_ACCESS_DENIED:
// the warning stays the plain one.
OpenFailure LastOpenFailure() { return {}; }

bool IsLedPortOpen() { return g_Port.IsOpen() != FALSE; }

std::wstring LedPortName() { return g_Port.IsOpen() ? ComPortName(g_Port.GetPortNumber()) : L""; }

void CloseLedPort() { g_Port.Close(); }

// Windows' serial drivers drop DTR and RTS when the port is closed, whatever was set before.
void SetLedLinesAtClose(LedLines, bool) {}

LineResult SetLedLines(LedLines lines, bool bRaise) { return g_Port.SetLines(lines, bRaise); }

}  // namespace sys
