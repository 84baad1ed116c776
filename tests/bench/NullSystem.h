#pragma once

#include "platform/win32/WinApi.h"

struct NullSystem {
    DWORD_PTR dwImeStatus = 0;
};

extern NullSystem g_Null;
