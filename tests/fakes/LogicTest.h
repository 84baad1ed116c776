// The base of the logic's tests: the fake system and the program's shared state as a fresh start
// finds them, reset here in one place before each test.
#pragma once

#include "core/ImePoller.h"
#include "core/PortWatch.h"
#include "core/SerialPort.h"
#include "core/TrayIndicator.h"
#include "fakes/FakeSystem.h"
#include "settings/Settings.h"

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
        ASSERT_TRUE(ConnectPort(nPort));
        g_Fake.calls.clear();
    }

private:
    static void ResetSharedState()
    {
        g_Port.Close();
        ForgetLostPort();
        RemoveTrayPresets();
        g_Fake.Reset();
        g_nPortNumber = 1;
        g_nUpdateTime = 5;
        g_nAutoConnect = 0;
        g_nLastOpenStatus = -1;
    }
};
