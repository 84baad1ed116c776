// Diagnostic trace lines, compiled in only when LUMIDOT_TRACE is defined (a diagnostic build);
// release builds carry no trace code at all.
#pragma once

#ifdef LUMIDOT_TRACE
#include "core/Platform.h"

// A tick found the status changed.
inline void TraceChangeState() { sys::TraceLine(L"#### Change State\r\n"); }
#else
inline void TraceChangeState() {}
#endif
