// The LED port: owns the COM port handle and drives DTR and RTS. No byte is ever sent.
#pragma once

#include "platform/Platform.h"
#include "platform/Resource.h"

class CSerialPort {
public:
    CSerialPort() = default;

    // Opens "\\.\COMn" exclusively with the given line settings. Port 0 is refused without asking the
    // system. Must be called only while closed.
    BOOL Open(int nPort, DWORD dwBaudRate, BYTE byParity, BYTE byStopBits);
    BOOL IsOpen() const { return m_hComm ? TRUE : FALSE; }
    void Close() { m_hComm.Reset(); }
    HANDLE GetHandle() const { return m_hComm.Get(); }
    // The number of the port that is open (it can differ from the configured one after a declined
    // reconnect).
    int GetPortNumber() const { return m_nPort; }

    // Raises (bOn) or drops both modem lines, DTR first. FALSE when either change failed, which is
    // what an unplugged adapter looks like.
    BOOL SetLines(bool bOn);

private:
    CResource<HANDLE, sys::CloseHandle> m_hComm;
    int m_nPort = 0;
};

extern CSerialPort g_Port;

// The connect sequence every caller uses: 9600 baud, 8N1, then both lines cleared so the LED starts
// dark until the next tick sets it from the IME status.
BOOL ConnectPort(int nPort);
