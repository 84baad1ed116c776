// The persistent settings and their file, "Lumidot.ini" (beside the exe on Windows).
#pragma once

#include <string>

extern int g_nPortNumber;             // the LED's COM port number (Windows)
extern int g_nUpdateTime;             // poll period in units of 100 ms
extern int g_nAutoConnect;            // exactly 1: open the port at start-up
extern int g_nAlnumOff;               // exactly 1: typing alphanumerics counts as IME off
extern std::wstring g_strPortDevice;  // the LED's device path (Linux)
extern int g_nLedLines;               // the LED's lines: 1 DTR only, 2 RTS only, else both
extern int g_nLedInverted;            // exactly 1: the LED is lit while its lines are dropped
extern int g_nCaretLamp;              // exactly 1: a lamp also shows at the text caret

// Reads PortNumber, UpdateTime and AutoConnect from section "Setting", in that order, then the
// keys later additions brought (AlnumOff, PortDevice, LedLines, LedInverted, CaretLamp). A missing
// file, section or key gives the default (1, 5, 0, 0, empty, 0, 0, 0); nothing is range-checked.
void LoadSettings();
// Writes the three keys in the same order, each by its own call, in plain decimal; then each added
// key that the file already had or that now differs from its default, so the file of a user who
// never used an addition stays as it was. A failed write does not stop the others; false when any
// failed.
bool SaveSettings();

// The configured LED port, named the platform's way ("COM3", "/dev/ttyUSB0").
std::wstring ConfiguredPort();
void SetConfiguredPort(const std::wstring& strPort);

// The text-to-number rule of the settings file: leading white space, an optional sign, then the
// decimal digits up to the first other character; no digits gives 0. Values beyond the int range
// saturate.
int ParseSettingValue(const std::wstring& strText);
