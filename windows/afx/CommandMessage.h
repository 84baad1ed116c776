// Which WM_COMMAND messages are commands.
#pragma once

#include "windows/system/WinApi.h"

// A menu item (notification code 0) or an accelerator (1) comes without a control window; a
// control sends its window and a notification code, and of those only a button click (BN_CLICKED,
// 0) is a command. Without the control check a combo box's CBN_SELCHANGE (1) would pass for one.
inline bool IsCommandMessage(WPARAM wParam, LPARAM lParam)
{
    const unsigned nCode = static_cast<unsigned>((wParam >> 16) & 0xFFFF);
    return lParam == 0 ? nCode <= 1 : nCode == 0;
}
