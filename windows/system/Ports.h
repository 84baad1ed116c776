// COM ports as the Windows edition names, stores and lists them: the settings keep the number
// (PortNumber), the program names the port "COM3" and opens it as "\\.\COM3", and the dialogs
// list COM1 to COM20 and then every port above COM20 that exists.
#pragma once

#include <map>
#include <string>
#include <vector>

std::wstring ComPortName(int nNumber);
// The number in "COM3" (any case, also "\\.\COM3"), with the sign and range of the settings
// value it was made from; 0 for anything else.
int ComPortNumber(const std::wstring& strPort);

// The ports the dialogs list, each with the name Windows gives the device behind it. COM1 to
// COM20 are always there, as the dialogs' templates list them; the ports above COM20 follow in
// ascending order, as far as they exist when the list is made, and so does the configured port
// while it does not (its adapter unplugged), marked as not present, so that confirming a dialog
// never erases it.
class CComPortList {
public:
    // existing: the numbers of the ports that exist, in any order; names: Windows' name of the
    // device behind a port, by number; strConfigured: the port the settings name.
    CComPortList(const std::vector<int>& existing, std::map<int, std::wstring> names,
                 const std::wstring& strConfigured);
    // The ports as the system's serial-port map names them now, the devices' names, and
    // strConfigured.
    static CComPortList Read(const std::wstring& strConfigured);

    int Count() const { return static_cast<int>(m_numbers.size()); }
    // The item that shows strPort; -1 (nothing) for a port that is not listed.
    int IndexOf(const std::wstring& strPort) const;
    // The port of item nIndex; empty for -1 (nothing chosen).
    std::wstring PortAt(int nIndex) const;
    // Whether item nIndex is the configured port, listed while it is not present.
    bool IsUnpluggedAt(int nIndex) const;
    // The device name of item nIndex's port ("USB Serial Port (COM23)"); empty where Windows
    // names none.
    std::wstring DeviceNameAt(int nIndex) const;

private:
    std::vector<int> m_numbers;
    std::map<int, std::wstring> m_names;
    int m_nUnplugged = 0;  // the configured port, listed though not present; 0 for none
};

// The numbers of the ports that exist now: the values of the system's serial-port map,
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, whose data names the port ("COM23").
std::vector<int> ReadExistingComPorts();
// Device Manager's names of the serial devices it knows, present or not, by COM number: each
// device instance under HKLM\SYSTEM\CurrentControlSet\Enum whose "Device Parameters" name a port
// (PortName), by its FriendlyName, or else by its DeviceDesc.
std::map<int, std::wstring> ReadComPortDeviceNames();
