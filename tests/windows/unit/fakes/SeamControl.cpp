// The seam contract tests' controls over the Windows side: the fake Win32 calls, with the exe in a
// fresh temporary folder so the settings file is a real file there.
#include "tests/seam/SeamControl.h"

#include "core/Platform.h"
#include "windows/unit/fakes/FakeSystem.h"
#include "windows/unit/fakes/TempExeFolder.h"

#include <memory>

namespace {

std::unique_ptr<CTempExeFolder> s_folder;

}  // namespace

namespace seam_control {

void Begin()
{
    sys::CloseLedPort();
    g_Fake.Reset();
    s_folder = std::make_unique<CTempExeFolder>();
}

void End()
{
    sys::CloseLedPort();
    s_folder.reset();
    g_Fake.Reset();
}

std::wstring Port(int nIndex) { return L"COM" + std::to_wstring(nIndex + 2); }
void FailOpens()
{
    g_Fake.hNextComm = INVALID_HANDLE_VALUE;
    g_Fake.dwOpenError = ERROR_FILE_NOT_FOUND;
}

// What Windows reports for a COM port another program holds.
void BusyOpens()
{
    g_Fake.hNextComm = INVALID_HANDLE_VALUE;
    g_Fake.dwOpenError = ERROR_ACCESS_DENIED;
}

void LoseDevice()
{
    g_Fake.bEscapeFails = true;
    g_Fake.dwEscapeError = ERROR_DEVICE_REMOVED;
}

bool AnswerIme(int nOpenStatus, bool bNative)
{
    g_Fake.bImeAnswers = g_Fake.bModeAnswers = true;
    g_Fake.dwImeStatus = static_cast<DWORD_PTR>(nOpenStatus);
    // Hiragana (IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE), or half-width alphanumerics.
    g_Fake.dwConversionMode = bNative ? 9 : 0;
    return true;
}

void SilenceIme() { g_Fake.bImeAnswers = false; }

}  // namespace seam_control
