#include "tests/bench/message_box.h"

#include <algorithm>

namespace bench {

namespace {

struct Candidate {
    DWORD pid;
    std::vector<HWND>* boxes;
};

BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Candidate*>(param);
    char cls[16] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd) && GetClassNameA(hwnd, cls, sizeof cls) &&
        lstrcmpA(cls, "#32770") == 0)
        search->boxes->push_back(hwnd);
    return TRUE;
}

std::string TextOf(HWND hwnd)
{
    char text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &length);
    return std::string(text, std::min<size_t>(length, sizeof text - 1));
}

struct Parts {
    std::string text;
    HICON icon;
    int defaultButton;
};

BOOL CALLBACK CollectParts(HWND child, LPARAM param)
{
    auto* parts = reinterpret_cast<Parts*>(param);
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") == 0) {
        // The default button is the one drawn as such, whatever DM_GETDEFID says.
        if ((GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            parts->defaultButton = GetDlgCtrlID(child);
        return TRUE;
    }
    if (lstrcmpiA(cls, "Static") != 0)
        return TRUE;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        DWORD_PTR icon = 0;
        SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
        parts->icon = reinterpret_cast<HICON>(icon);
    } else {
        std::string text = TextOf(child);
        if (text.size() > parts->text.size())
            parts->text = text;
    }
    return TRUE;
}

SeenBox Inspect(HWND box)
{
    Parts parts = {};
    EnumChildWindows(box, CollectParts, reinterpret_cast<LPARAM>(&parts));
    return {
        TextOf(box), parts.text,          GetWindow(box, GW_OWNER),
        parts.icon,  parts.defaultButton, (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0};
}

} // namespace

BoxAnswerer::BoxAnswerer(int button, DWORD pid)
    : button_(button), pid_(pid ? pid : GetCurrentProcessId()),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    InitializeCriticalSection(&lock_);
    thread_ = std::thread([this] { Run(); });
}

BoxAnswerer::~BoxAnswerer()
{
    SetEvent(stop_);
    thread_.join();
    CloseHandle(stop_);
    DeleteCriticalSection(&lock_);
}

std::vector<SeenBox> BoxAnswerer::Seen() const
{
    EnterCriticalSection(&lock_);
    std::vector<SeenBox> copy = seen_;
    LeaveCriticalSection(&lock_);
    return copy;
}

int BoxAnswerer::Count() const
{
    return static_cast<int>(Seen().size());
}

void BoxAnswerer::Run()
{
    while (WaitForSingleObject(stop_, 20) == WAIT_TIMEOUT) {
        std::vector<HWND> boxes;
        Candidate search = {pid_, &boxes};
        EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
        for (HWND box : boxes) {
            if (std::find(answered_.begin(), answered_.end(), box) != answered_.end() &&
                IsWindow(box))
                continue;
            SeenBox seen = Inspect(box);
            EnterCriticalSection(&lock_);
            seen_.push_back(seen);
            LeaveCriticalSection(&lock_);
            answered_.push_back(box);
            // The button's own click: the box ends through its normal command path.
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, button_)));
        }
    }
}

} // namespace bench
