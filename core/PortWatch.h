// An LED adapter that goes away while connected (unplugged USB serial adapter). The system reports
// the removal of the port's device, or a line change on the open port fails as only a vanished
// device fails: either way the port is let go and the lamp shows "no port" from the next tick.
// When the same port arrives again, it is still the port the settings name and the user made no
// port choice in between, it is connected again by itself. An adapter that has just arrived is
// often held for a moment by another program (a modem manager or a braille driver probing it):
// such a reconnect is tried again, a few times over some seconds, and never shows a message.
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

// Runs at every tick: tries a busy lost port again once its wait is over.
void RetryLostPortIfDue();

// The system woke from sleep. An adapter may have lost its line state, or the device been reset
// under the open port (which then fails like a vanished one): the lamp and the lines are set again
// at once, and a lost port that is there again is connected, since a reset device announces no
// arrival.
void OnResumeFromSleep();

// The user's session left the screen (another user switched to theirs) or came back to it. The
// LED belongs to the session at the screen: on leaving, the open port's lines are put in the off
// state and the port is let go, so the other session can take it; while away nothing connects it
// again; on coming back it is taken again as after a replug (held for a moment still by the other
// session, it is tried again as a busy port is). Repeated news of the same state changes nothing.
void OnSessionActive(bool bActive);
