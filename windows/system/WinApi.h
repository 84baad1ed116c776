// The Win32 types and constants the Windows side speaks in.
//
// On Windows this is simply <windows.h>. Everywhere else (the native unit tests) it declares the
// same names with the same meaning, so the Windows side's logic compiles and is tested on the
// build machine, and tests can check the exact records and codes handed to Windows. The shared
// logic never includes it.
#pragma once

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
// <windows.h> first: the others build on it.
#include <windows.h>

#include <imm.h>
#include <shellapi.h>

// The IME window's status queries (ime.h, which mingw-w64 lacks).
#ifndef IMC_GETCONVERSIONMODE
#define IMC_GETCONVERSIONMODE 0x0001
#endif
#ifndef IMC_GETOPENSTATUS
#define IMC_GETOPENSTATUS 0x0005
#endif
// Sent from Windows 8 on; mingw-w64 declares it only when building for Windows 8 and later.
#ifndef EVENT_OBJECT_IME_CHANGE
#define EVENT_OBJECT_IME_CHANGE 0x8029
#endif
// Missing from mingw-w64's winerror.h.
#ifndef ERROR_NO_SUCH_DEVICE
#define ERROR_NO_SUCH_DEVICE 433L
#endif

#else

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using INT_PTR = std::intptr_t;
using LRESULT = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using HANDLE = void*;
using HWND = struct HWND__*;
using HICON = struct HICON__*;
using HKL = struct HKL__*;
using LANGID = WORD;

#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

// Languages
#define LANG_CHINESE 0x04u
#define LANG_ENGLISH 0x09u
#define LANG_JAPANESE 0x11u
#define LANG_KOREAN 0x12u
#define SUBLANG_DEFAULT 0x01u
#define SUBLANG_ENGLISH_US 0x01u
#define PRIMARYLANGID(lgid) (static_cast<WORD>(lgid) & 0x3FFu)
#define MAKELANGID(p, s) static_cast<WORD>((static_cast<WORD>(s) << 10) | static_cast<WORD>(p))

// Communications
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define OPEN_EXISTING 3u
#define FILE_FLAG_OVERLAPPED 0x40000000u
#define SETRTS 3u
#define CLRRTS 4u
#define SETDTR 5u
#define CLRDTR 6u
#define NOPARITY 0
#define ONESTOPBIT 0

// Error codes
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_READY 21u
#define ERROR_BAD_COMMAND 22u
#define ERROR_GEN_FAILURE 31u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_LOCK_VIOLATION 33u
#define ERROR_NOT_SUPPORTED 50u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_BUSY 170u
#define ERROR_NO_SUCH_DEVICE 433u
#define ERROR_DEVICE_NOT_CONNECTED 1167u
#define ERROR_TIMEOUT 1460u
#define ERROR_DEVICE_REMOVED 1617u

struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

// Window messages and message boxes
#define WM_NULL 0x0000u
#define WM_LBUTTONUP 0x0202u
#define WM_LBUTTONDBLCLK 0x0203u
#define WM_RBUTTONDOWN 0x0204u
#define WM_RBUTTONUP 0x0205u
#define WM_USER 0x0400u
#define WM_IME_CONTROL 0x0283u
#define IMC_GETCONVERSIONMODE 0x0001u
#define IMC_GETOPENSTATUS 0x0005u
#define IME_CMODE_NATIVE 0x0001u
#define SMTO_ABORTIFHUNG 0x0002u
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7
#define MB_OK 0x0u
#define MB_YESNO 0x4u
#define MB_ICONQUESTION 0x20u
#define MB_ICONEXCLAMATION 0x30u

// Keys that switch an IME
#define VK_KANA 0x15u
#define VK_IME_ON 0x16u
#define VK_KANJI 0x19u
#define VK_IME_OFF 0x1Au
#define VK_CONVERT 0x1Cu
#define VK_NONCONVERT 0x1Du

// WinEvents
#define EVENT_SYSTEM_FOREGROUND 0x0003u
#define EVENT_OBJECT_FOCUS 0x8005u
#define EVENT_OBJECT_IME_CHANGE 0x8029u
#define OBJID_WINDOW 0
#define OBJID_CARET (-8)
#define CHILDID_SELF 0

// Tray icon
#define NIM_ADD 0x0u
#define NIM_MODIFY 0x1u
#define NIM_DELETE 0x2u
#define NIF_MESSAGE 0x1u
#define NIF_ICON 0x2u
#define NIF_TIP 0x4u

struct NOTIFYICONDATAW {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    wchar_t szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    wchar_t szInfo[256];
    UINT uVersion;
    wchar_t szInfoTitle[64];
    DWORD dwInfoFlags;
};
#define NOTIFYICONDATAW_V2_SIZE sizeof(NOTIFYICONDATAW)

#endif
