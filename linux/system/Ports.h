// The serial ports the connect and settings dialogs offer, and the short name the menu shows.
#pragma once

#include <string>
#include <vector>

struct SerialPortEntry {
    std::string path;  // what is opened and stored in the settings
    std::string name;  // what the user sees
    bool present = true;
};

// The serial devices present under devRoot, by their most readable name: the links of
// devRoot/serial/by-id first (named by the link, which carries the adapter's make and serial
// number), then the ttyUSB and then the ttyACM nodes that no by-id link already stands for (named
// "ttyUSB0"); each group in natural order (ttyUSB2 before ttyUSB10). Only character devices count,
// so a by-id link left behind by a removed adapter is skipped. configured, when it names a present
// character device under a path not listed (a link made by hand), comes last under its full path,
// so that the user's own choice stays selectable; when it names nothing present (the adapter is
// unplugged), it comes last too, by its short name and marked as not present, so that confirming
// a dialog never erases it.
std::vector<SerialPortEntry> listSerialPorts(const std::string &configured,
                                             const std::string &devRoot = "/dev");

// The menu's short name of a port: the last part of its path ("ttyUSB0" for /dev/ttyUSB0).
std::string serialPortName(const std::string &path);
