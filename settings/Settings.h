// The three persistent settings and their file, "Lumidot.ini" beside the executable.
#pragma once

#include <string>

extern int g_nPortNumber;  // COM port number of the LED
extern int g_nUpdateTime;  // poll period in units of 100 ms
extern int g_nAutoConnect;  // exactly 1: open the port at start-up

// Reads PortNumber, UpdateTime and AutoConnect from section "Setting", in that order. A missing
// file, section or key gives the default (1, 5, 0); nothing is range-checked.
void LoadSettings();
// Writes the three keys in the same order, each by its own call, in plain decimal. Failures are
// ignored: the next start simply reads whatever the file then holds.
void SaveSettings();

// "Lumidot.ini" in the directory of the running executable, whatever the executable is called.
std::wstring GetIniPath();

// The text-to-number rule of the settings file: leading white space, an optional sign, then the
// decimal digits up to the first other character; no digits gives 0. Values beyond the int range
// saturate.
int ParseSettingValue(const std::wstring& strText);
