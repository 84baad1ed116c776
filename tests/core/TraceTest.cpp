// Built into the diagnostic variant of the logic only (LUMIDOT_TRACE): it links, and a tick that
// finds the status changed writes its trace line once, before it acts. (The Windows side's trace
// of every IME query is tested in tests/windows/unit/ImeTraceTest.cpp.)
#include "tests/core/fakes/SeamTest.h"

namespace {

using TraceTest = CSeamTest;

const std::wstring kChange = L"#### Change State\r\n";

TEST_F(TraceTest, AChangeIsTracedOnceBeforeTheTickActs)
{
    std::size_t nLinesAtTray = 0;
    g_Seam.onTray = [&] { nLinesAtTray = g_Seam.traceLines.size(); };
    g_Seam.AnswerIme(1);
    PollImeStatus();
    EXPECT_EQ(nLinesAtTray, 1u);
    PollImeStatus();
    EXPECT_EQ(g_Seam.traceLines, std::vector<std::wstring>{kChange});

    // A query without an answer changes nothing, so it traces nothing either.
    g_Seam.ime.reset();
    PollImeStatus();
    EXPECT_EQ(g_Seam.traceLines, std::vector<std::wstring>{kChange});

    g_Seam.AnswerIme(0);
    PollImeStatus();
    EXPECT_EQ(g_Seam.traceLines, (std::vector<std::wstring>{kChange, kChange}));
}

}  // namespace
