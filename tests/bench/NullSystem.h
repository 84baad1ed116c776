#pragma once

#include "windows/system/WinApi.h"

struct NullSystem {
    DWORD_PTR dwImeStatus = 0;
};

extern NullSystem g_Null;
