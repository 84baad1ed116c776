// COM ports as the Windows edition names, stores and lists them: the settings keep the number
// (PortNumber), the program names the port "COM3" and opens it as "\\.\COM3", and the dialogs
// list COM1 to COM20, item i being COM(i + 1).
#pragma once

#include <string>

std::wstring ComPortName(int nNumber);
// The number in "COM3" (any case, also "\\.\COM3"), with the sign and range of the settings
// value it was made from; 0 for anything else.
int ComPortNumber(const std::wstring& strPort);

// The dialogs' list item that shows strPort; -1 (nothing) below COM1. Items past COM20 select
// nothing in the list either.
int ComboIndexOfPort(const std::wstring& strPort);
// The port of list item nIndex; empty for -1 (nothing chosen).
std::wstring PortOfComboIndex(int nIndex);
