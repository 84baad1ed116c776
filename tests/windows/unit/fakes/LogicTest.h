// The base of the Windows side's unit tests: the fake Win32 calls and the program's shared state as
// a fresh start finds them, reset here in one place before and after each test. What the Windows
// edition runs of the shared logic runs on the Windows side of the seam here, so the tests see
// every Win32 call it leads to. (The shared logic's own tests have tests/core/fakes/SeamTest.h.)
#pragma once

#include "core/ImePoller.h"
#include "core/LedPort.h"
#include "core/Platform.h"
#include "core/PortWatch.h"
#include "core/Settings.h"
#include "windows/system/Ime.h"
#include "windows/system/Ports.h"
#include "windows/system/SerialPort.h"
#include "windows/system/Tray.h"
#include "tests/core/fakes/LogicState.h"
#include "windows/unit/fakes/FakeSystem.h"

#include <gtest/gtest.h>

using Calls = std::vector<std::string>;

class CLogicTest : public ::testing::Test {
protected:
    static inline const HWND kMainWindow = reinterpret_cast<HWND>(0x42);

    void SetUp() override { ResetSharedState(); }
    void TearDown() override { ResetSharedState(); }

    // The tray icon as start-up leaves it, with the shell's calls forgotten.
    void RegisterTray()
    {
        RegisterTrayPresets(kMainWindow);
        g_Fake.calls.clear();
    }
    void Connect(int nPort)
    {
        ASSERT_TRUE(ConnectPort(ComPortName(nPort)));
        g_Fake.calls.clear();
    }

private:
    static void ResetSharedState()
    {
        sys::CloseLedPort();
        RemoveTrayPresets();
        g_Fake.Reset();
        ForgetForegroundWindow();
        ResetLogicState();
    }
};
