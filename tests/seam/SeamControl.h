// What the seam's contract tests (SeamContractTest.cpp) need to steer the system under a seam. The
// tests are the same for every implementation of core/Platform.h; each test binary supplies these
// for the seam it links: the shared logic's tests over their fake of the seam, an edition's tests
// over that edition's side and its fake of the system calls.
#pragma once

#include <string>

namespace seam_control {

// A fresh system: no port open, no settings file, not started at login, the IME answering.
void Begin();
// Gives back whatever Begin took.
void End();

// A port that opens, named as the seam names ports; nIndex 1 and 2 name two different ones.
std::wstring Port(int nIndex);
// Every open from now on fails: no such device.
void FailOpens();
// Every open from now on fails: another program holds the port.
void BusyOpens();
// Line changes from now on find the device gone.
void LoseDevice();

// The input method says nOpenStatus, typing its own script (bNative) or alphanumerics; false
// where the seam's input method cannot be made to say that (Linux reads fcitx5 and IBus, which
// know no raw status of Windows' kind).
bool AnswerIme(int nOpenStatus, bool bNative);
// The input method does not answer in time.
void SilenceIme();

}  // namespace seam_control
