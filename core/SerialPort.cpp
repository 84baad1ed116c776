#include "core/SerialPort.h"

#include <cwchar>

CSerialPort g_Port;

BOOL CSerialPort::Open(int nPort, DWORD dwBaudRate, BYTE byParity, BYTE byStopBits)
{
    if (nPort == 0 || IsOpen())
        return FALSE;

    // The device-namespace form, so that COM10 and above open like COM1 to COM9.
    wchar_t szName[32];
    std::swprintf(szName, sizeof szName / sizeof szName[0], L"\\\\.\\COM%d", nPort);

    m_hComm.Reset(sys::CreateFile(szName, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED));
    if (!m_hComm)
        return FALSE;
    m_nPort = nPort;

    // Change only the line settings; every other field, the DTR and RTS control modes included,
    // stays as the driver reported it. If the block can't be read there is nothing sound to write
    // back, so the write is skipped; the port still counts as open.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (sys::GetCommState(m_hComm.Get(), &dcb)) {
        dcb.BaudRate = dwBaudRate;
        dcb.ByteSize = 8;
        dcb.Parity = byParity;
        dcb.StopBits = byStopBits;
        dcb.fBinary = 1;
        dcb.fParity = 1;
        sys::SetCommState(m_hComm.Get(), &dcb);
    }

    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 100;
    timeouts.ReadTotalTimeoutMultiplier = 10;
    timeouts.ReadTotalTimeoutConstant = 10;
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 10;
    sys::SetCommTimeouts(m_hComm.Get(), &timeouts);
    return TRUE;
}

LineResult CSerialPort::SetLines(bool bOn)
{
    LineResult result = LineResult::Ok;
    for (DWORD dwFunc : {bOn ? SETDTR : CLRDTR, bOn ? SETRTS : CLRRTS}) {
        if (sys::EscapeCommFunction(m_hComm.Get(), dwFunc))
            continue;
        if (IsDeviceGoneError(sys::GetLastError()))
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

BOOL ConnectPort(int nPort)
{
    if (!g_Port.Open(nPort, 9600, NOPARITY, ONESTOPBIT))
        return FALSE;
    g_Port.SetLines(false);
    return TRUE;
}
