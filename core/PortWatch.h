// An LED adapter that goes away while connected (unplugged USB serial adapter). The system reports
// the removal of the port's device, or a line change on the open port fails as only a vanished
// device fails: either way the port is let go and the lamp shows "no port" from the next tick.
// When the same port arrives again, it is still the port the settings name and the user made no
// port choice in between, it is connected again by itself.
#pragma once

#include <string>

// Closes the lost port and makes the next tick act.
void OnPortLost();
// The user confirmed a port choice or disconnected: a port lost earlier is no longer to be
// reconnected.
void ForgetLostPort();

// A serial port device named strName ("COM3", "/dev/ttyUSB0") was removed or has arrived.
void OnPortDeviceRemoved(const std::wstring& strName);
void OnPortDeviceArrived(const std::wstring& strName);
