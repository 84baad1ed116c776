// Test driver: a command server that the Python harness keeps running inside Wine for a whole test.
// One command per line on stdin, one reply per line on stdout: "ok <json>" or "err <message>",
// UTF-8. Window handles and numbers are decimal (or 0x hex on input). Commands:
//   procs NAME                  pids of the processes with that image name
//   attach NAME                 take the first such process and its hidden main dialog as target
//   windows                     the target's top-level windows
//   info HWND | children HWND | text HWND
//   post HWND MSG WPARAM LPARAM | send HWND MSG WPARAM LPARAM
//   combo HWND | combo_set HWND INDEX | check HWND | check_set HWND 0|1 | click HWND
//   sync                        answers once the target's GUI thread took what was posted before
//   menu                        items of the target's open pop-up menu (read in its own thread)
//   ime_open                    open the target's IME and bring its main window to the front
//   ime_mode N                  set the conversion mode (IME_CMODE_* bits) of the target's IME and
//                               make its IME window answer IMC_GETCONVERSIONMODE as Windows does:
//                               {"mode": read back, "ime": the IME window}
//   ticks                       WM_TIMER messages the main window took since the first hook request
//   port_arrived N              tell the main window that COMn arrived (WM_DEVICECHANGE)
//   front_target | front_foreign | foreground   (front_foreign puts the focus in its text field)
//   front_class NAME            a new window of class NAME with a text field in focus, in front
//   caret [TEXT]                set the foreign window's text field to TEXT, caret at its end; the
//                               caret's place on the screen {x, y, h}
//   caret_lamp                  Lumidot's lamp at the caret, as info tells of a window; hwnd 0: none
//   key VK                      press and release virtual key VK (SendInput)
//   tray_forget HWND ID         drop that tray icon as a freshly started shell would not know it
//   taskbar_created             broadcast "TaskbarCreated" as a restarted shell does
//   port_open N | port_escape FUNC | port_close   the driver's own use of \\.\COMn
//   mutex NAME...               whether a named mutex exists (the rest of the line is the name)
//   quit
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_DRIVER_COMMAND = WM_APP + 1;
constexpr UINT WM_DRIVER_EOF = WM_APP + 2;
constexpr UINT kSendTimeoutMs = 5000;

struct Target {
    DWORD pid = 0;
    DWORD tid = 0;
    HWND main = nullptr;
};

Target g_target;
HWND g_self = nullptr;          // the driver's own window: foreign foreground and hook replies
HWND g_edit = nullptr;          // its text field
HWND g_classed = nullptr;       // the window of front_class
HHOOK g_hook = nullptr;
DWORD g_hookTid = 0;
HANDLE g_port = INVALID_HANDLE_VALUE;
bool g_replyArrived = false;
std::wstring g_reply;

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& text)
{
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Quote(const std::wstring& text)
{
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char esc[8];
            snprintf(esc, sizeof esc, "\\u%04x", u);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Num(unsigned long long value) { return std::to_string(value); }
std::string Num(HWND hwnd) { return Num(reinterpret_cast<uintptr_t>(hwnd)); }

std::wstring ClassOf(HWND hwnd)
{
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    return cls;
}

// WM_GETTEXT rather than GetWindowText, which does not ask windows of other processes.
std::wstring TextOf(HWND hwnd)
{
    wchar_t text[1024] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return text;
}

std::string WindowJson(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return "{\"hwnd\":" + Num(hwnd) + ",\"pid\":" + Num(pid) + ",\"cls\":" + Quote(ClassOf(hwnd)) +
           ",\"text\":" + Quote(TextOf(hwnd)) + ",\"visible\":" + Num(IsWindowVisible(hwnd) ? 1 : 0) +
           ",\"x\":" + std::to_string(r.left) + ",\"y\":" + std::to_string(r.top) +
           ",\"w\":" + std::to_string(r.right - r.left) + ",\"h\":" + std::to_string(r.bottom - r.top) +
           ",\"style\":" + Num(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE))) +
           ",\"exstyle\":" + Num(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE))) +
           ",\"id\":" + std::to_string(GetWindowLongPtrW(hwnd, GWLP_ID)) + "}";
}

std::vector<DWORD> ProcessesNamed(const std::wstring& name)
{
    std::vector<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry))
        if (lstrcmpiW(entry.szExeFile, name.c_str()) == 0) pids.push_back(entry.th32ProcessID);
    CloseHandle(snap);
    return pids;
}

std::vector<HWND> TopLevelWindowsOf(DWORD pid)
{
    struct Search { DWORD pid; std::vector<HWND> found; } search{pid, {}};
    EnumWindows([](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == s->pid) s->found.push_back(hwnd);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The hidden host window: a captionless dialog of the process, the tool window among them.
HWND MainWindowOf(DWORD pid)
{
    HWND best = nullptr;
    for (HWND hwnd : TopLevelWindowsOf(pid)) {
        if (ClassOf(hwnd) != L"#32770" || !TextOf(hwnd).empty()) continue;
        if (!best || (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) best = hwnd;
    }
    return best;
}

bool WaitForReply(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!g_replyArrived) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return true;
}

// Runs a request of the hook DLL inside the target's GUI thread and returns its answer.
bool AskHook(WPARAM request, std::wstring& answer, std::string& error)
{
    if (!g_target.main) return error = "not attached", false;
    if (!g_hook || g_hookTid != g_target.tid) {
        if (g_hook) UnhookWindowsHookEx(g_hook);
        HMODULE dll = LoadLibraryW(L"imehook.dll");
        auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "GetMsgHook")));
        g_hook = proc ? SetWindowsHookExW(WH_GETMESSAGE, proc, dll, g_target.tid) : nullptr;
        g_hookTid = g_target.tid;
        if (!g_hook) return error = "hook not installed: " + std::to_string(GetLastError()), false;
    }
    g_replyArrived = false;
    PostMessageW(g_target.main, RegisterWindowMessageW(L"LumidotE2E.Hook"), request, reinterpret_cast<LPARAM>(g_self));
    if (!WaitForReply(kSendTimeoutMs)) return error = "no answer from the hook", false;
    answer = g_reply;
    return true;
}

LRESULT CALLBACK SelfProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        g_reply.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
        if (!g_reply.empty() && g_reply.back() == L'\0') g_reply.pop_back();
        g_replyArrived = true;
        return TRUE;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND ArgHwnd(std::istringstream& in)
{
    std::string token;
    in >> token;
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(strtoull(token.c_str(), nullptr, 0)));
}

unsigned long long ArgNum(std::istringstream& in)
{
    std::string token;
    in >> token;
    return strtoull(token.c_str(), nullptr, 0);
}

std::string Error(const char* what) { return std::string("err ") + what + " (" + std::to_string(GetLastError()) + ")"; }

std::string Run(const std::string& line)
{
    std::istringstream in(line);
    std::string cmd;
    in >> cmd;

    if (cmd == "procs" || cmd == "attach") {
        std::string name;
        in >> name;
        const std::vector<DWORD> pids = ProcessesNamed(Wide(name));
        if (cmd == "procs") {
            std::string list;
            for (DWORD pid : pids) list += (list.empty() ? "" : ",") + Num(pid);
            return "ok {\"pids\":[" + list + "]}";
        }
        for (DWORD pid : pids) {
            if (HWND main = MainWindowOf(pid)) {
                g_target = {pid, GetWindowThreadProcessId(main, nullptr), main};
                return "ok {\"pid\":" + Num(pid) + ",\"tid\":" + Num(g_target.tid) + ",\"hwnd\":" + Num(main) + "}";
            }
        }
        return "err no main window of " + name;
    }
    if (cmd == "windows") {
        std::string list;
        for (HWND hwnd : TopLevelWindowsOf(g_target.pid)) list += (list.empty() ? "" : ",") + WindowJson(hwnd);
        return "ok {\"windows\":[" + list + "]}";
    }
    if (cmd == "info") {
        HWND hwnd = ArgHwnd(in);
        return IsWindow(hwnd) ? "ok " + WindowJson(hwnd) : "err no such window";
    }
    if (cmd == "children") {
        HWND parent = ArgHwnd(in);
        std::string list;
        for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            list += (list.empty() ? "" : ",") + WindowJson(child);
        return "ok {\"children\":[" + list + "]}";
    }
    if (cmd == "tooltip") {
        // The shown tip of any process (the tray's is Explorer's); its text is the tool's.
        std::wstring text;
        EnumWindows([](HWND hwnd, LPARAM param) -> BOOL {
            if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"tooltips_class32")
                *reinterpret_cast<std::wstring*>(param) = TextOf(hwnd);
            return TRUE;
        }, reinterpret_cast<LPARAM>(&text));
        return "ok {\"text\":" + Quote(text) + "}";
    }
    if (cmd == "text") return "ok {\"text\":" + Quote(TextOf(ArgHwnd(in))) + "}";
    if (cmd == "post" || cmd == "send") {
        HWND hwnd = ArgHwnd(in);
        const auto msg = static_cast<UINT>(ArgNum(in));
        const auto wParam = static_cast<WPARAM>(ArgNum(in));
        const auto lParam = static_cast<LPARAM>(ArgNum(in));
        if (cmd == "post") return PostMessageW(hwnd, msg, wParam, lParam) ? "ok {}" : Error("PostMessage failed");
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
            return Error("SendMessage failed");
        return "ok {\"result\":" + Num(result) + "}";
    }
    if (cmd == "combo") {
        HWND combo = ArgHwnd(in);
        DWORD_PTR count = 0, sel = 0;
        SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &count);
        SendMessageTimeoutW(combo, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &sel);
        std::string items;
        for (DWORD_PTR i = 0; i < count && i < 1000; i++) {
            wchar_t text[256] = {};
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
            items += (items.empty() ? "" : ",") + Quote(text);
        }
        return "ok {\"count\":" + std::to_string(static_cast<int>(count)) + ",\"sel\":" +
               std::to_string(static_cast<int>(sel)) + ",\"items\":[" + items + "]}";
    }
    if (cmd == "combo_set") {
        HWND combo = ArgHwnd(in);
        const auto index = static_cast<WPARAM>(ArgNum(in));
        DWORD_PTR result = 0;
        SendMessageTimeoutW(combo, CB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
        // tell the dialog as a selection by the user would
        const auto id = static_cast<WORD>(GetWindowLongPtrW(combo, GWLP_ID));
        PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        return "ok {\"sel\":" + std::to_string(static_cast<int>(result)) + "}";
    }
    if (cmd == "check" || cmd == "check_set") {
        HWND box = ArgHwnd(in);
        DWORD_PTR state = 0;
        if (cmd == "check_set") {
            SendMessageTimeoutW(box, BM_SETCHECK, static_cast<WPARAM>(ArgNum(in)), 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state);
            const auto id = static_cast<WORD>(GetWindowLongPtrW(box, GWLP_ID));
            PostMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box));
        }
        SendMessageTimeoutW(box, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state);
        return "ok {\"checked\":" + Num(state) + "}";
    }
    if (cmd == "click") {
        // Posted, not sent: a click that opens a message box would otherwise block the driver.
        HWND button = ArgHwnd(in);
        const auto id = static_cast<WORD>(GetWindowLongPtrW(button, GWLP_ID));
        return PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button))
                   ? "ok {}" : Error("PostMessage failed");
    }
    // requests of the hook DLL (imehook.cpp), the argument in the bits above the request number
    static const char* const hookCommands[] = {"sync", "ime_open", "menu", "front_target", "ticks",
                                               "port_arrived", "ime_mode"};
    if (const auto* found = std::find(std::begin(hookCommands), std::end(hookCommands), cmd);
        found != std::end(hookCommands)) {
        const auto number = static_cast<WPARAM>(found - std::begin(hookCommands));
        const bool argument = cmd == "port_arrived" || cmd == "ime_mode";
        const WPARAM request = number | (argument ? ArgNum(in) << 8 : 0);
        std::wstring answer;
        std::string error;
        if (!AskHook(request, answer, error)) return "err " + error;
        if (cmd == "ime_mode") return "ok " + Utf8(answer);
        if (cmd != "menu") return "ok {\"result\":" + Utf8(answer) + "}";
        std::string items;
        std::wistringstream lines(answer);
        for (std::wstring item; std::getline(lines, item);) {
            const size_t tab = item.find(L'\t');
            items += (items.empty() ? "" : ",") + std::string("{\"id\":") + Utf8(item.substr(0, tab)) +
                     ",\"text\":" + Quote(item.substr(tab + 1)) + "}";
        }
        return answer.empty() ? "err no open menu" : "ok {\"items\":[" + items + "]}";
    }
    if (cmd == "front_foreign") {
        ShowWindow(g_self, SW_SHOW);
        SetForegroundWindow(g_self);
        SetFocus(g_edit);
        return "ok {\"hwnd\":" + Num(g_self) + "}";
    }
    if (cmd == "caret") {
        std::string text;
        if (std::getline(in >> std::ws, text)) {
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            SetWindowTextW(g_edit, Wide(text).c_str());
            SendMessageW(g_edit, EM_SETSEL, text.size(), text.size());
            // Windows tells of every caret move; Wine's SetCaretPos tells nobody.
            NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, g_edit, OBJID_CARET, CHILDID_SELF);
        }
        POINT pt{};
        GetCaretPos(&pt);
        ClientToScreen(g_edit, &pt);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetCurrentThreadId(), &info);
        return "ok {\"x\":" + std::to_string(pt.x) + ",\"y\":" + std::to_string(pt.y) + ",\"h\":" +
               std::to_string(info.rcCaret.bottom - info.rcCaret.top) + "}";
    }
    if (cmd == "caret_lamp") {
        HWND lamp = FindWindowW(L"LumidotCaretLamp", nullptr);
        return lamp ? "ok " + WindowJson(lamp) : "ok {\"hwnd\":0}";
    }
    if (cmd == "front_class") {
        std::string name;
        in >> name;
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        const std::wstring cls = Wide(name);
        wc.lpszClassName = cls.c_str();
        RegisterClassW(&wc);  // fails harmlessly when registered before
        if (g_classed) DestroyWindow(g_classed);
        g_classed = CreateWindowExW(0, cls.c_str(), L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 240, 120,
                                    nullptr, nullptr, wc.hInstance, nullptr);
        if (!g_classed) return Error("CreateWindow failed");
        HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 4, 4, 200, 24, g_classed,
                                    nullptr, wc.hInstance, nullptr);
        SetForegroundWindow(g_classed);
        SetFocus(edit);
        return "ok {\"hwnd\":" + Num(g_classed) + "}";
    }
    if (cmd == "key") {
        const WORD vk = static_cast<WORD>(ArgNum(in));
        INPUT input[2] = {};
        for (INPUT& one : input) {
            one.type = INPUT_KEYBOARD;
            one.ki.wVk = vk;
        }
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        return SendInput(2, input, sizeof(INPUT)) == 2 ? "ok {}" : Error("SendInput failed");
    }
    if (cmd == "foreground") {
        HWND front = GetForegroundWindow();
        DWORD pid = 0;
        GetWindowThreadProcessId(front, &pid);
        return "ok {\"hwnd\":" + Num(front) + ",\"pid\":" + Num(pid) + "}";
    }
    if (cmd == "tray_forget") {
        NOTIFYICONDATAW icon{};
        icon.cbSize = sizeof icon;
        icon.hWnd = ArgHwnd(in);
        icon.uID = static_cast<UINT>(ArgNum(in));
        return Shell_NotifyIconW(NIM_DELETE, &icon) ? "ok {}" : Error("no such tray icon");
    }
    if (cmd == "taskbar_created") {
        return PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0) ? "ok {}" : Error("broadcast failed");
    }
    if (cmd == "mutex") {
        std::string name;
        std::getline(in >> std::ws, name);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, Wide(name).c_str());
        if (mutex) CloseHandle(mutex);
        return std::string("ok {\"exists\":") + (mutex ? "true" : "false") + "}";
    }
    if (cmd == "port_open") {
        if (g_port != INVALID_HANDLE_VALUE) return "err port already open";
        const std::wstring name = L"\\\\.\\COM" + std::to_wstring(ArgNum(in));
        g_port = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        return g_port != INVALID_HANDLE_VALUE ? "ok {}" : Error("CreateFile failed");
    }
    if (cmd == "port_escape") {
        return EscapeCommFunction(g_port, static_cast<DWORD>(ArgNum(in))) ? "ok {}" : Error("EscapeCommFunction failed");
    }
    if (cmd == "port_close") {
        if (g_port != INVALID_HANDLE_VALUE) CloseHandle(g_port);
        g_port = INVALID_HANDLE_VALUE;
        return "ok {}";
    }
    return "err unknown command " + cmd;
}

DWORD WINAPI ReadCommands(LPVOID mainThread)
{
    const DWORD tid = static_cast<DWORD>(reinterpret_cast<uintptr_t>(mainThread));
    char buf[4096];
    while (fgets(buf, sizeof buf, stdin)) PostThreadMessageW(tid, WM_DRIVER_COMMAND, 0, reinterpret_cast<LPARAM>(new std::string(buf)));
    PostThreadMessageW(tid, WM_DRIVER_EOF, 0, 0);
    return 0;
}

} // namespace

int main()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = SelfProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumidotE2EDriver";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&wc);
    g_self = CreateWindowExW(0, wc.lpszClassName, L"LumidotE2E foreign window", WS_OVERLAPPEDWINDOW,
                             40, 40, 240, 120, nullptr, nullptr, wc.hInstance, nullptr);
    g_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 4, 4, 200, 24, g_self, nullptr,
                             wc.hInstance, nullptr);

    // Commands are read on another thread so that this one keeps answering messages between them.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue must exist before the reader posts
    CloseHandle(CreateThread(nullptr, 0, ReadCommands, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(GetCurrentThreadId())), 0, nullptr));
    printf("ok {\"ready\":1}\n");
    fflush(stdout);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_DRIVER_EOF) break;
        if (msg.message != WM_DRIVER_COMMAND) {
            DispatchMessageW(&msg);
            continue;
        }
        auto* line = reinterpret_cast<std::string*>(msg.lParam);
        const bool quit = line->rfind("quit", 0) == 0;
        const std::string reply = quit ? "ok {}" : Run(*line);
        delete line;
        fwrite(reply.data(), 1, reply.size(), stdout);
        fputc('\n', stdout);
        fflush(stdout);
        if (quit) break;
    }
    if (g_hook) UnhookWindowsHookEx(g_hook);
    if (g_port != INVALID_HANDLE_VALUE) CloseHandle(g_port);
    return 0;
}
