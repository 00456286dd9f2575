#include "tests/bench/dialog_driver.h"

#include <thread>
#include <vector>

#include "agent/agent.h"

namespace bench {

namespace {

constexpr DWORD kDialogWaitMs = 10000;
constexpr INT_PTR kEndedByRunner = -2;

bool IsDialogWindow(HWND hwnd)
{
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    return lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(hwnd);
}

struct Search {
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchThreadDialog(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    if (IsDialogWindow(hwnd) && GetWindow(hwnd, GW_OWNER) == search->owner) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog of thread `thread` whose owner is `owner`.
HWND FindThreadDialog(DWORD thread, HWND owner)
{
    Search search = {owner, nullptr};
    EnumThreadWindows(thread, MatchThreadDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowText(HWND hwnd)
{
    char text[1024] = {};
    SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
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

DialogRun RunDialog(WORD resource, DLGPROC proc, const std::function<void(HWND)>& user)
{
    DialogRun run;
    const DWORD thread = GetCurrentThreadId();
    std::thread helper([&] {
        HWND dialog = nullptr;
        WaitFor([&] { return (dialog = FindThreadDialog(thread, nullptr)) != nullptr; },
                kDialogWaitMs);
        if (!dialog)
            return;
        run.shown = true;
        user(dialog);
        if (WaitFor([&] { return !IsWindow(dialog); }))
            return;
        // The actions left it open: end whatever box it shows, then the dialog itself.
        run.leftOpen = true;
        while (IsWindow(dialog)) {
            if (HWND box = FindThreadDialog(thread, dialog))
                EndDialog(box, IDCANCEL);
            EndDialog(dialog, kEndedByRunner);
            Sleep(200);
        }
    });
    run.result = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(resource), nullptr, proc, 0);
    helper.join();
    return run;
}

void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void ClickLater(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Type(HWND dialog, int id, const char* text)
{
    HWND control = GetDlgItem(dialog, id);
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    for (const char* c = text; *c; ++c)
        SendMessageA(control, WM_CHAR, static_cast<unsigned char>(*c), 1);
}

void PressKey(HWND dialog, UINT vk)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus)
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
    return WindowText(GetDlgItem(dialog, id));
}

bool IsChecked(HWND dialog, int id)
{
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

MessageBoxSeen AnswerMessageBox(HWND owner, DWORD timeoutMs)
{
    MessageBoxSeen seen;
    const DWORD thread = GetWindowThreadProcessId(owner, nullptr);
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindThreadDialog(thread, owner)) != nullptr; }, timeoutMs))
        return seen;
    seen.found = true;
    seen.caption = WindowText(box);

    std::vector<HWND> children;
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
    HWND button = nullptr;
    const HICON warning = LoadIconA(nullptr, IDI_WARNING);
    for (HWND child : children) {
        char cls[16] = {};
        GetClassNameA(child, cls, sizeof cls);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(child)) {
            button = child;
        } else if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
            seen.warningIcon =
                reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == warning;
        } else if (lstrcmpiA(cls, "Static") == 0 && seen.text.empty()) {
            seen.text = WindowText(child);
        }
    }
    if (button)
        SendMessageA(button, BM_CLICK, 0, 0);
    WaitFor([&] { return !IsWindow(box); }, timeoutMs);
    return seen;
}

} // namespace bench
