#include "core/Trace.h"

#ifdef LUMIDOT_TRACE
#include "platform/Platform.h"

#include <cstdint>
#include <cwchar>

void TraceQuery(HWND hWnd, HWND hIme, int nStatus)
{
    wchar_t szLine[96];
    std::swprintf(szLine, 96, L"hWnd:0x%08X hIme=0x%08X Status=0x%08X\r\n",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(hWnd)),
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(hIme)),
                  static_cast<unsigned>(nStatus));
    sys::TraceLine(szLine);
}

void TraceChangeState() { sys::TraceLine(L"#### Change State\r\n"); }
#endif
