// Built into the diagnostic variant of the logic only (LUMIDOT_TRACE): it links, and writes both
// trace lines where they belong.
#include "windows/unit/fakes/LogicTest.h"

namespace {

using TraceTest = CLogicTest;

TEST_F(TraceTest, EveryQueryIsTracedAndAChangeOnceMore)
{
    RegisterTray();
    g_Fake.dwImeStatus = 1;
    PollImeStatus();
    PollImeStatus();
    const std::wstring strQuery = L"hWnd:0x00001000 hIme=0x00002000 Status=0x00000001\r\n";
    EXPECT_EQ(g_Fake.traceLines,
              (std::vector<std::wstring>{strQuery, L"#### Change State\r\n", strQuery}));
}

}  // namespace
