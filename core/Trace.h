// Diagnostic trace lines, compiled in only when LUMIDOT_TRACE is defined (a diagnostic build);
// release builds carry no trace code at all.
#pragma once

#include "platform/WinApi.h"

#ifdef LUMIDOT_TRACE
void TraceQuery(HWND hWnd, HWND hIme, int nStatus);
void TraceChangeState();
#else
inline void TraceQuery(HWND, HWND, int) {}
inline void TraceChangeState() {}
#endif
