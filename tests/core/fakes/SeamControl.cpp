// The seam contract tests' controls over the shared logic's fake of the seam.
#include "tests/seam/SeamControl.h"

#include "tests/core/fakes/FakeSeam.h"

namespace seam_control {

void Begin() { g_Seam.Reset(); }
void End() { g_Seam.Reset(); }

std::wstring Port(int nIndex) { return L"COM" + std::to_wstring(nIndex + 2); }
void FailOpens() { g_Seam.bOpenFails = true; }
void BusyOpens()
{
    g_Seam.bOpenFails = false;
    g_Seam.busyPorts = {Port(1), Port(2)};
}
void LoseDevice() { g_Seam.lineResult = sys::LineResult::Gone; }

bool AnswerIme(int nOpenStatus, bool bNative)
{
    g_Seam.AnswerIme(nOpenStatus, bNative);
    return true;
}
void SilenceIme() { g_Seam.ime.reset(); }

}  // namespace seam_control
