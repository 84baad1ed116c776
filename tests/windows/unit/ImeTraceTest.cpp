// Built into the diagnostic variant of the Windows side only (LUMIDOT_TRACE): every IME query that
// got an answer writes one trace line with the window, its IME window and the raw status. (The
// shared logic's own trace line, on a change, is tested in tests/core/TraceTest.cpp.)
#include "core/Platform.h"
#include "windows/unit/fakes/FakeSystem.h"

#include <gtest/gtest.h>

namespace {

class ImeTraceTest : public ::testing::Test {
protected:
    void SetUp() override { g_Fake.Reset(); }
    void TearDown() override { g_Fake.Reset(); }
};

using Lines = std::vector<std::wstring>;

TEST_F(ImeTraceTest, EveryAnsweredQueryIsTracedOnceWithTheWindowsAndTheRawStatus)
{
    g_Fake.dwImeStatus = 1;
    sys::ReadImeState(false);
    sys::ReadImeState(true);  // the mode's question is not traced
    const std::wstring strQuery = L"hWnd:0x00001000 hIme=0x00002000 Status=0x00000001\r\n";
    EXPECT_EQ(g_Fake.traceLines, (Lines{strQuery, strQuery}));

    g_Fake.traceLines.clear();
    g_Fake.dwImeStatus = 0xFFFFFFFF;
    sys::ReadImeState(false);
    EXPECT_EQ(g_Fake.traceLines, Lines{L"hWnd:0x00001000 hIme=0x00002000 Status=0xFFFFFFFF\r\n"});
}

TEST_F(ImeTraceTest, AWindowWithoutAnImeWindowIsTracedAsOffAndAHungOneNotAtAll)
{
    g_Fake.hImeWindow = nullptr;
    sys::ReadImeState(false);
    EXPECT_EQ(g_Fake.traceLines, Lines{L"hWnd:0x00001000 hIme=0x00000000 Status=0x00000000\r\n"});

    g_Fake.traceLines.clear();
    g_Fake.hImeWindow = reinterpret_cast<HWND>(0x2000);
    g_Fake.bImeAnswers = false;
    sys::ReadImeState(false);
    EXPECT_EQ(g_Fake.traceLines, Lines{});
}

}  // namespace
