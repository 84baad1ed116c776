// The IME status of a window, asked of its default IME window.
#pragma once

#include "windows/system/WinApi.h"

#include <optional>

// How long a tick waits for the foreground application's IME window to answer.
constexpr UINT IME_QUERY_TIMEOUT_MS = 100;

// The IME open status of hWnd's default IME window (1 means open), or nothing when that window did
// not answer in time. A window without an IME window reads as 0.
std::optional<int> QueryImeOpenStatus(HWND hWnd);
