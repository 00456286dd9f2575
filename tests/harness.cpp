#include "tests/harness.h"

#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstdlib>

namespace bench {

std::string LockRecord()
{
    PumpUntil([] {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        bool running = false;
        for (BOOL more = Process32First(snapshot, &entry); more && !running;
             more = Process32Next(snapshot, &entry))
            // Under Wine a process has no name until it has started up.
            running = !entry.szExeFile[0] || lstrcmpiA(entry.szExeFile, "rundll32.exe") == 0;
        CloseHandle(snapshot);
        return !running;
    });
    return kit::ReadWholeFile(kit::LockRecordPath());
}

int Locks(int expected)
{
    auto count = [] {
        const std::string record = LockRecord();
        return static_cast<int>(std::count(record.begin(), record.end(), '\n'));
    };
    PumpUntil([&] { return count() >= expected; });
    return count();
}

void Plant(const char* name, DWORD type, const std::string& bytes, const char* key, HKEY root)
{
    const std::string data = bytes + 'x';
    ASSERT_EQ(0, SHSetValueA(root, key ? key : kSettingsKey, name, type, data.data(),
                             static_cast<DWORD>(bytes.size())));
}

void PlantPolicy(const std::vector<Held>& held, const std::vector<const char*>& networks)
{
    for (const auto& [name, value] : held)
        Plant(name, REG_DWORD, Dword(value), kPolicyKey, HKEY_LOCAL_MACHINE);
    for (size_t i = 0; i < networks.size(); ++i)
        Plant(std::to_string(i + 1).c_str(), REG_SZ, networks[i], kPolicyTrustedKey,
              i % 2 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
}

std::string Stored(const char* name, const char* key)
{
    char data[4096] = {};
    DWORD type = REG_NONE, size = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, key ? key : kSettingsKey, name, RRF_RT_ANY, &type, data,
                     &size) != ERROR_SUCCESS)
        return "-";
    return type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data)) : data;
}

std::string Dword(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

bool TrayIconExists(HWND hwnd)
{
    // A modify that changes nothing succeeds only for an icon the shell holds.
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = hwnd;
    data.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool IsMessageBox(HWND window)
{
    return GetDlgItem(window, 0xFFFF) != nullptr; // the text of every message box
}

// One user at a time: the window procedure has no other way to find it.
User* g_user;

User::User(HWND owner, std::vector<Step> steps) : owner_(owner), steps_(std::move(steps))
{
    g_user = this;
    // Modal loops tell their owner that they wait: the owner's procedure is where to listen.
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Owner)));
    hook_ = SetWindowsHookExA(WH_CBT, Activated, nullptr, GetCurrentThreadId());
}

User::~User()
{
    if (IsWindow(owner_))
        SetWindowLongPtrA(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    UnhookWindowsHookEx(hook_);
    g_user = nullptr;
    EXPECT_TRUE(steps_.empty()) << "steps left over after " << seen_;
}

LRESULT CALLBACK User::Owner(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && lParam && !IsMessageBox(reinterpret_cast<HWND>(lParam)))
        g_user->Idle(reinterpret_cast<HWND>(lParam), wParam == MSGF_MENU);
    return CallWindowProcA(g_user->original_, hwnd, message, wParam, lParam);
}

// Wine's message boxes never tell their owner that they wait (DS_NOIDLEMSG): they are met
// once they become active instead, answered by one step. Activation can come before the box
// has its text and its buttons, so the box is read from its own loop a moment later.
LRESULT CALLBACK User::Activated(int code, WPARAM wParam, LPARAM lParam)
{
    HWND box = reinterpret_cast<HWND>(wParam);
    auto& met = g_user->met_;
    if (code == HCBT_ACTIVATE && IsMessageBox(box) &&
        std::find(met.begin(), met.end(), box) == met.end() && box != g_user->box_) {
        g_user->box_ = box;
        SetTimer(nullptr, 0, 1, BoxReady);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK User::BoxReady(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (IsWindow(g_user->box_))
        g_user->Idle(g_user->box_, false);
}

// "{YN*}": the box's buttons, the default of a choice starred.
std::string Buttons(HWND box)
{
    std::string buttons;
    for (const auto& [id, letter] :
         {std::pair{IDOK, 'O'}, {IDCANCEL, 'C'}, {IDYES, 'Y'}, {IDNO, 'N'}})
        if (HWND button = GetDlgItem(box, id); button && IsWindowVisible(button))
            buttons +=
                std::string(1, letter) +
                ((GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? "*" : "");
    // A lone button is no choice: its default goes unsaid.
    return "{" + (buttons.size() == 2 && buttons[1] == '*' ? buttons.erase(1) : buttons) + "}";
}

void User::Idle(HWND modal, bool menu)
{
    // A menu's caption tells its items, a "g" per grayed one and whether the first is the default.
    char caption[64] = {};
    if (HMENU items =
            menu ? reinterpret_cast<HMENU>(SendMessageA(modal, MN_GETHMENU, 0, 0)) : nullptr) {
        wsprintfA(caption, "menu%d", GetMenuItemCount(items));
        for (int i = 0; i < GetMenuItemCount(items); ++i)
            if (GetMenuState(items, i, MF_BYPOSITION) & MF_GRAYED)
                lstrcatA(caption, "g");
        lstrcatA(caption, GetMenuDefaultItem(items, TRUE, 0) == 0 ? "d" : "");
    } else
        GetWindowTextA(modal, caption, sizeof caption);
    const bool box = IsMessageBox(modal);
    if (std::find(met_.begin(), met_.end(), modal) == met_.end()) {
        RECT r = {};
        GetWindowRect(modal, &r);
        const bool centred = menu || box || // boxes place themselves
                             (std::abs(r.left + r.right - GetSystemMetrics(SM_CXSCREEN)) <= 1 &&
                              std::abs(r.top + r.bottom - GetSystemMetrics(SM_CYSCREEN)) <= 1);
        const bool typing =
            IsChild(modal, GetFocus()) && GetDlgCtrlID(GetFocus()) == IDC_PASSCODE_EDIT;
        const bool overBox = box && std::any_of(met_.begin(), met_.end(), [](HWND w) {
                                 return IsWindow(w) && IsMessageBox(w);
                             });
        seen_ += std::string(seen_.empty() ? "" : "|") + (centred ? "" : "~") +
                 (box && !Owns(GetWindow(modal, GW_OWNER)) ? "^" : "") + (overBox ? "+" : "") +
                 caption + (box ? Buttons(modal) : "") + (typing ? "*" : "");
        if (box) {
            char text[512] = {};
            GetDlgItemTextA(modal, 0xFFFF, text, sizeof text);
            boxText_ = text;
        }
        met_.push_back(modal);
    }
    const std::string want = steps_.empty() ? "" : steps_[0].caption;
    if (!steps_.empty() && (box ? want == caption : std::string(caption).rfind(want, 0) == 0)) {
        const Step step = steps_.front();
        steps_.erase(steps_.begin());
        idle_ = 0;
        if (step.first)
            step.first();
        Act(modal, step.what);
    } else if (box || ++idle_ > 50) {
        // Nobody answers it (or it ignores its answer): end it rather than hang the test.
        seen_ += std::string("|!") + caption;
        menu ? void(EndMenu()) : void(EndDialog(modal, 0));
    }
    // The loop waits for a message after telling its owner: give it one.
    PostMessageA(modal, WM_NULL, 0, 0);
}

// Keys go to the window as the user's would: through the modal loop, which turns Enter into a
// click on the button that has the focus or is the default, and Escape into Cancel.
void User::Act(HWND modal, const std::string& what)
{
    const int n = std::atoi(what.c_str() + what.find_last_of(" :") + 1);
    HWND control = GetDlgItem(modal, n);
    if (what.empty())
        EndMenu();
    else if (what == "enter" || what == "esc")
        PostMessageA(modal, WM_KEYDOWN, what == "enter" ? VK_RETURN : VK_ESCAPE, 0);
    else if (what.rfind("click", 0) == 0 && !(IsWindowEnabled(control) && IsWindowVisible(control)))
        seen_ += "|x" + std::to_string(n);
    else if (what.rfind("click", 0) == 0)
        SendMessageA(control, BM_CLICK, 0, 0);
    else if (what.rfind("select", 0) == 0)
        SendDlgItemMessageA(modal, IDC_TRUSTED_LIST, LB_SETCURSEL, n, 0);
    else if (what == "look") {
        for (int id : {IDC_AUTO_START, IDC_EASY_PC_LOCK, IDC_QUICK_LOCK, IDC_DEBUG_BOX,
                       IDC_RECORD_IPLOG, IDC_ADD, IDC_DELETE})
            seen_ += std::string(" ") + char('0' + IsDlgButtonChecked(modal, id)) +
                     (IsWindowEnabled(GetDlgItem(modal, id)) ? "" : "-");
        char row[300];
        for (int i = 0; SendDlgItemMessageA(modal, IDC_TRUSTED_LIST, LB_GETTEXT, i,
                                            reinterpret_cast<LPARAM>(row)) != LB_ERR;
             ++i)
            seen_ += std::string(",") + row;
    } else if (what.rfind("command", 0) == 0)
        PostMessageA(GetWindow(modal, GW_OWNER), WM_COMMAND, n, 0);
    else {
        if (what[0] != ':')
            SetDlgItemTextA(modal, IDC_PASSCODE_EDIT, what.substr(0, what.find(':')).c_str());
        PostMessageA(modal, WM_COMMAND, n, 0);
    }
}

void** ImportSlot(const char* dll, const char* function)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& iat = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    auto** slots = reinterpret_cast<void**>(base + iat.VirtualAddress);
    void* real = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(dll), function));
    DWORD old = 0;
    for (DWORD i = 0; i < iat.Size / sizeof *slots; ++i)
        if (slots[i] == real && VirtualProtect(&slots[i], sizeof *slots, PAGE_READWRITE, &old))
            return &slots[i];
    return nullptr;
}

void Agent::SetUpTestSuite()
{
    // Away from its own folder, as the agent is when the sign-in starts it.
    char elsewhere[MAX_PATH];
    GetTempPathA(MAX_PATH, elsewhere);
    SetCurrentDirectoryA(elsewhere);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 0), &data);
    kit::UseOwnModuleAsAgent();
    LoadMenuPictures();
}

void Agent::SetUp()
{
    LockRecord(); // a lock still under way is over
    ResetAgent();
}

void Agent::TearDown()
{
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    MSG msg; // the quit message of the window's end included
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    ClearRegistry();
}

void Agent::StartAt(std::initializer_list<const char*> answer)
{
    SetResolverAnswer(answer);
    hwnd_ = CreateAgentWindow();
    ASSERT_NE(nullptr, hwnd_);
    KillTimer(hwnd_, AGENT_TIMER_ID);
}

void Agent::Cycle(std::initializer_list<const char*> answer)
{
    SetResolverAnswer(answer);
    CheckAddress(hwnd_, 1);
}

} // namespace bench
