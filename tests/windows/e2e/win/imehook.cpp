// Hook DLL that the driver plants in Lumidot's GUI thread (WH_GETMESSAGE). Some things can only be
// done from inside that thread under Wine: opening its IME (ImmSetOpenStatus from another thread
// or process is ignored) and reading the items of its open pop-up menu (menus of another process
// cannot be read), counting the poll timer's ticks, handing Lumidot a device notification whose
// lParam points into Lumidot's own memory, and setting its IME's conversion mode. The driver posts
// the registered message "LumidotE2E.Hook" to Lumidot's main window with wParam = request +
// (argument << 8) and lParam = the driver's window, which gets the answer as WM_COPYDATA
// (dwData = request, UTF-16 text).
#include <windows.h>
#include <dbt.h>
#include <imm.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace {

enum Request : WPARAM {
    Sync = 0,
    OpenIme = 1,
    ReadMenu = 2,
    Foreground = 3,
    TimerTicks = 4,
    PortArrived = 5,
    ConversionMode = 6
};

// imm.h of mingw-w64 lacks the WM_IME_CONTROL queries that old IMEs answered.
constexpr WPARAM kImcGetConversionMode = 0x0001;

// The window the driver's requests go to (Lumidot's main dialog) and the WM_TIMER messages it has
// taken since the first request.
HWND s_target = nullptr;
unsigned s_ticks = 0;

// The IME window's own procedure, kept on the window itself once it is subclassed.
constexpr wchar_t kImeProcProperty[] = L"LumidotE2E.ImeProc";

// Windows' IME window answers IMC_GETCONVERSIONMODE with the conversion mode of the thread's input
// context; Wine 8's answers with the open status (1 while open) whatever the mode. Everything else,
// IMC_GETOPENSTATUS included, goes on to Wine's own procedure unchanged.
LRESULT CALLBACK ImeWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const auto own = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kImeProcProperty));
    if (msg == WM_IME_CONTROL && wParam == kImcGetConversionMode && s_target) {
        DWORD conversion = 0, sentence = 0;
        HIMC context = ImmGetContext(s_target);
        ImmGetConversionStatus(context, &conversion, &sentence);
        ImmReleaseContext(s_target, context);
        return static_cast<LRESULT>(conversion);
    }
    if (msg == WM_NCDESTROY) {
        RemovePropW(hwnd, kImeProcProperty);
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
    }
    return CallWindowProcW(own, hwnd, msg, wParam, lParam);
}

void AnswerConversionMode(HWND ime)
{
    if (!ime || GetPropW(ime, kImeProcProperty)) return;
    // The window keeps calling into this DLL after the driver unhooks (Windows would unload it).
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&ImeWindowProc), &self);
    const LONG_PTR own = GetWindowLongPtrW(ime, GWLP_WNDPROC);
    SetPropW(ime, kImeProcProperty, reinterpret_cast<HANDLE>(own));
    SetWindowLongPtrW(ime, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ImeWindowProc));
}

UINT HookMessage()
{
    static const UINT message = RegisterWindowMessageW(L"LumidotE2E.Hook");
    return message;
}

void Reply(HWND driver, WPARAM request, const std::wstring& text)
{
    COPYDATASTRUCT data{};
    data.dwData = request;
    data.cbData = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(text.c_str());
    DWORD_PTR result = 0;
    SendMessageTimeoutW(driver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &result);
}

BOOL CALLBACK FindMenuWindow(HWND hwnd, LPARAM found)
{
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpW(cls, L"#32768") == 0 && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// One line per item: "id<TAB>text", separators as id 0 with empty text.
std::wstring MenuItems()
{
    HWND menuWindow = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&menuWindow));
    if (!menuWindow) return L"";
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    std::wstring lines;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; i++) {
        wchar_t text[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        lines += std::to_wstring(GetMenuItemID(menu, i)) + L"\t" + text + L"\n";
    }
    return lines;
}

void Handle(HWND target, WPARAM wParam, HWND driver)
{
    const WPARAM request = wParam & 0xFF;
    s_target = target;
    switch (request) {
    case Sync:
        Reply(driver, request, L"1");
        break;
    case OpenIme: {
        HIMC context = ImmGetContext(target);
        ImmSetOpenStatus(context, TRUE);
        const BOOL open = ImmGetOpenStatus(context);
        ImmReleaseContext(target, context);
        SetForegroundWindow(target);
        Reply(driver, request, open ? L"1" : L"0");
        break;
    }
    case ReadMenu:
        Reply(driver, request, MenuItems());
        break;
    case Foreground:
        Reply(driver, request, SetForegroundWindow(target) ? L"1" : L"0");
        break;
    case TimerTicks:
        Reply(driver, request, std::to_wstring(s_ticks));
        break;
    case PortArrived: {
        // What Windows broadcasts when a serial adapter is plugged in; Wine sends none for ptys.
        const std::wstring name = L"COM" + std::to_wstring(wParam >> 8);
        const size_t nameAt = offsetof(DEV_BROADCAST_PORT_W, dbcp_name);
        alignas(DEV_BROADCAST_PORT_W) BYTE port[nameAt + 16 * sizeof(wchar_t)] = {};
        auto* header = reinterpret_cast<DEV_BROADCAST_PORT_W*>(port);
        header->dbcp_size = sizeof port;
        header->dbcp_devicetype = DBT_DEVTYP_PORT;
        memcpy(port + nameAt, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
        SendMessageW(target, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(port));
        Reply(driver, request, L"1");
        break;
    }
    case ConversionMode: {
        // The sentence mode stays; the answer is the mode read back and the IME window to ask.
        HIMC context = ImmGetContext(target);
        DWORD conversion = 0, sentence = 0;
        ImmGetConversionStatus(context, &conversion, &sentence);
        ImmSetConversionStatus(context, static_cast<DWORD>(wParam >> 8), sentence);
        const BOOL read = ImmGetConversionStatus(context, &conversion, &sentence);
        ImmReleaseContext(target, context);
        HWND ime = ImmGetDefaultIMEWnd(target);
        AnswerConversionMode(ime);
        const std::wstring mode = read ? std::to_wstring(conversion) : L"null";
        const std::wstring window = std::to_wstring(reinterpret_cast<uintptr_t>(ime));
        Reply(driver, request, L"{\"mode\":" + mode + L",\"ime\":" + window + L"}");
        break;
    }
    }
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK GetMsgHook(int code, WPARAM wParam, LPARAM lParam)
{
    // The hook also sees messages that are only peeked at; act once, when the message is taken.
    MSG* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == HookMessage()) {
        Handle(msg->hwnd, msg->wParam, reinterpret_cast<HWND>(msg->lParam));
        msg->message = WM_NULL;
    } else if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_KEYDOWN && msg->wParam == VK_KANJI &&
               s_target) {
        // What a Japanese IME does with its key, which Wine's has none of: it opens.
        HIMC context = ImmGetContext(s_target);
        ImmSetOpenStatus(context, TRUE);
        ImmReleaseContext(s_target, context);
    } else if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_TIMER && msg->hwnd == s_target) {
        s_ticks++;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
