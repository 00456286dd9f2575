#include "tests/bench/ui_driver.h"

#include <algorithm>
#include <map>

#include "agent/agent.h"

namespace bench {

namespace {

// InternalGetWindowText does not wait for the window's thread, which may be busy.
std::string CaptionOf(HWND hwnd)
{
    WCHAR wide[256] = {};
    InternalGetWindowText(hwnd, wide, 256);
    char text[512] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// Top-level windows of this class and caption (any when nullptr) of process pid.
std::vector<HWND> FindWindows(const char* className, const char* caption, bool includeHidden,
                              DWORD pid = GetCurrentProcessId())
{
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, className, caption)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && (includeHidden || IsWindowVisible(w)))
            found.push_back(w);
    }
    return found;
}

std::string TextOf(HWND window)
{
    char text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, kWaitMs, &length);
    return std::string(text, std::min<size_t>(length, sizeof text - 1));
}

BOOL CALLBACK ReadBoxPart(HWND child, LPARAM param)
{
    auto* seen = reinterpret_cast<SeenBox*>(param);
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(cls, "Button") == 0) {
        // The default button is the one drawn as such, whatever DM_GETDEFID says.
        if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            seen->defaultButton = GetDlgCtrlID(child);
    } else if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        DWORD_PTR icon = 0;
        SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_NORMAL, kWaitMs, &icon);
        seen->icon = reinterpret_cast<HICON>(icon);
    } else if (lstrcmpiA(cls, "Static") == 0) {
        const std::string text = TextOf(child);
        if (text.size() > seen->text.size())
            seen->text = text;
    }
    return TRUE;
}

} // namespace

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

std::vector<HWND> FindDialogs(const char* caption, bool includeHidden)
{
    return FindWindows("#32770", caption, includeHidden);
}

HWND WaitForDialog(const char* caption, const std::vector<HWND>& known, const char* className)
{
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND window : FindWindows(className, caption, false))
            if (std::find(known.begin(), known.end(), window) == known.end())
                found = window;
        return found != nullptr;
    });
    return found;
}

HWND WaitForMenuWindow()
{
    return WaitForDialog(nullptr, {}, "#32768");
}

bool Sync(HWND window)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &result) != 0;
}

void Click(HWND dialog, int id)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, 1000, &result);
}

void Type(HWND dialog, int id, const char* text)
{
    HWND control = GetDlgItem(dialog, id);
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    SendMessageA(control, EM_SETSEL, 0, -1);
    SendMessageA(control, WM_CHAR, VK_BACK, 1);
    for (const char* c = text; *c; ++c)
        SendMessageA(control, WM_CHAR, static_cast<unsigned char>(*c), 1);
}

void PressKey(HWND window, UINT vk)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus)
        target = info.hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, 0)) << 16;
    PostMessageA(target, WM_KEYDOWN, vk, scan | 1);
    PostMessageA(target, WM_KEYUP, vk, scan | 0xC0000001);
}

void ClickCloseBox(HWND dialog)
{
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::string ItemText(HWND dialog, int id)
{
    return TextOf(GetDlgItem(dialog, id));
}

bool IsChecked(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool IsCentred(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r.left == (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2 &&
           r.top == (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
}

SeenBox ReadBox(HWND box)
{
    SeenBox seen = {CaptionOf(box), "", GetWindow(box, GW_OWNER),
                    nullptr,        0,  (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0};
    EnumChildWindows(box, ReadBoxPart, reinterpret_cast<LPARAM>(&seen));
    return seen;
}

UserThread::UserThread(std::function<void()> script, int answer, DWORD pid)
{
    thread_ = std::thread([this, script, answer, pid] {
        script();
        const DWORD process = pid ? pid : GetCurrentProcessId();
        std::map<HWND, DWORD> answered; // and since when
        auto keep = [&](HWND w, const SeenBox& seen) {
            answered[w] = GetTickCount();
            std::lock_guard<std::mutex> hold(lock_);
            seen_.push_back(seen);
        };
        while (!stop_) {
            for (HWND menu : FindWindows("#32768", nullptr, false, process)) {
                if (!answered.count(menu))
                    keep(menu, {"#menu", "", nullptr, nullptr, 0, false});
                PressKey(menu, VK_ESCAPE);
            }
            for (HWND box : FindWindows("#32770", nullptr, false, process)) {
                if (answered.count(box)) {
                    if (GetTickCount() - answered[box] > 3000) // it ignores the answer
                        EndDialog(box, kLeftOpen);
                    continue;
                }
                keep(box, ReadBox(box));
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
            }
            Sleep(20);
        }
    });
}

void UserThread::Finish()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::vector<SeenBox> UserThread::Seen() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return seen_;
}

INT_PTR RunDialog(WORD resource, DLGPROC proc, const std::function<void(HWND)>& user)
{
    UserThread helper([&] {
        if (HWND dialog = WaitForDialog(nullptr)) {
            user(dialog);
            WaitFor([&] { return !IsWindow(dialog); });
        }
    });
    const INT_PTR result =
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(resource), nullptr, proc, 0);
    helper.Finish();
    return helper.Count() ? kLeftOpen : result;
}

ImportSwap::ImportSwap(const char* dll, const char* function, const void* replacement)
{
    // The slot in this program's import address table that holds the function's address.
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    auto** slots = reinterpret_cast<void**>(base + table.VirtualAddress);
    const auto real = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(dll), function));
    for (DWORD i = 0; real && i < table.Size / sizeof *slots && !slot_; ++i)
        if (slots[i] == real)
            slot_ = &slots[i];
    if (slot_) {
        original_ = *slot_;
        Write(replacement);
    }
}

ImportSwap::~ImportSwap()
{
    if (slot_)
        Write(original_);
}

void ImportSwap::Write(const void* value)
{
    DWORD previous = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &previous);
    *slot_ = const_cast<void*>(value);
    VirtualProtect(slot_, sizeof *slot_, previous, &previous);
}

} // namespace bench
