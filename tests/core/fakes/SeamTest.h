// The base of the shared logic's tests: the seam fake and the program's shared state as a fresh
// start finds them, reset here in one place before and after each test.
#pragma once

#include "core/ImePoller.h"
#include "core/LedPort.h"
#include "core/PortWatch.h"
#include "core/Settings.h"
#include "tests/core/fakes/FakeSeam.h"
#include "tests/core/fakes/LogicState.h"

#include <gtest/gtest.h>

class CSeamTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSharedState(); }
    void TearDown() override { ResetSharedState(); }

    // strPort connected as every caller connects it, with the calls that took forgotten.
    static void Connect(const std::wstring& strPort)
    {
        ASSERT_TRUE(ConnectPort(strPort));
        g_Seam.calls.clear();
        g_Seam.reads.clear();
    }

    // One tick with the IME answering nStatus; returns what it did.
    static Calls Tick(int nStatus, bool bNative = true)
    {
        g_Seam.calls.clear();
        g_Seam.reads.clear();
        g_Seam.AnswerIme(nStatus, bNative);
        PollImeStatus();
        return g_Seam.calls;
    }

private:
    static void ResetSharedState()
    {
        // The fake's reset closes the port; the logic's own memory of a lost port goes with it.
        g_Seam.Reset();
        ResetLogicState();
    }
};
