// An LED adapter that goes away while connected (unplugged USB serial adapter). Windows reports the
// removal of the port's device, or a line change on the open port fails: either way the handle is
// let go and the lamp shows "no port" from the next tick. When the same port arrives again, and
// it is still the port the settings name and the user made no port choice in between, it is
// connected again by itself.
#pragma once

// Closes the lost port and makes the next tick act.
void OnPortLost();
// The user confirmed a port choice or disconnected: a port lost earlier is no longer to be
// reconnected.
void ForgetLostPort();

// A serial port device named pszPortName ("COM3") was removed or has arrived.
void OnPortDeviceRemoved(const wchar_t* pszPortName);
void OnPortDeviceArrived(const wchar_t* pszPortName);
