// The LED port on Windows: owns the COM port handle and drives DTR and RTS. No byte is ever sent.
#pragma once

#include "core/Platform.h"
#include "core/Resource.h"
#include "windows/system/Win32Calls.h"

using sys::LineResult;

class CSerialPort {
public:
    CSerialPort() = default;

    // Opens "\\.\COMn" exclusively with the given line settings. Port 0, and any call while a port
    // is open, are refused without asking the system: reopening would first let go of a working
    // handle and then fail against our own exclusive open.
    BOOL Open(int nPort, DWORD dwBaudRate, BYTE byParity, BYTE byStopBits);
    BOOL IsOpen() const { return m_hComm ? TRUE : FALSE; }
    void Close() { m_hComm.Reset(); }
    HANDLE GetHandle() const { return m_hComm.Get(); }
    // The number of the port that is open (it can differ from the configured one after a declined
    // reconnect).
    int GetPortNumber() const { return m_nPort; }
    // The last Open was refused by the system for a passing reason (see IsBusyOpenError).
    bool WasLastOpenBusy() const { return m_bLastOpenBusy; }

    // Raises (bRaise) or drops the chosen modem lines, DTR first; a line not chosen is not
    // touched. Gone only when an error says the device went away (see IsDeviceGoneError); any
    // other failure is Failed and the port stays open, so an adapter that drives only one of the
    // two lines keeps working on that line.
    LineResult SetLines(sys::LedLines lines, bool bRaise);

private:
    CResource<HANDLE, win32::CloseHandle> m_hComm;
    int m_nPort = 0;
    bool m_bLastOpenBusy = false;
};

extern CSerialPort g_Port;

// The errors of a line change that mean the device is no longer there. Unplugged USB serial
// adapters report them, depending on the driver: ERROR_ACCESS_DENIED and ERROR_INVALID_HANDLE (the
// handle outlived its device), ERROR_BAD_COMMAND and ERROR_GEN_FAILURE (the driver refuses every
// request of a removed device), ERROR_NOT_READY, ERROR_NO_SUCH_DEVICE, ERROR_DEVICE_NOT_CONNECTED
// and ERROR_DEVICE_REMOVED. (Wine reports the EIO of an unplugged adapter as ERROR_NOT_READY, its
// ENODEV as ERROR_GEN_FAILURE and its ENXIO as ERROR_NO_SUCH_DEVICE.) Anything else, such as
// ERROR_INVALID_PARAMETER or ERROR_NOT_SUPPORTED from an adapter without RTS, is taken as passing
// or partial.
bool IsDeviceGoneError(DWORD dwError);

// The errors of an open that may pass by waiting: the port is held by another program (Windows
// reports ERROR_ACCESS_DENIED, some drivers ERROR_SHARING_VIOLATION or ERROR_BUSY, and Wine turns
// a device's EBUSY into ERROR_LOCK_VIOLATION). A port that is not there (ERROR_FILE_NOT_FOUND)
// does not come by waiting.
bool IsBusyOpenError(DWORD dwError);
