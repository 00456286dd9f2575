#include "tests/harness.h"

#include <tlhelp32.h>

#include <cstdlib>

namespace bench {

std::string LockRecord()
{
    PumpUntil([] {
        const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        bool running = false;
        for (BOOL more = Process32First(snapshot.Get(), &entry); more && !running;
             more = Process32Next(snapshot.Get(), &entry))
            // Under Wine a process has no name until it has started up.
            running = !entry.szExeFile[0] || lstrcmpiA(entry.szExeFile, "rundll32.exe") == 0;
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

std::string Caption(HWND window)
{
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    return caption;
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
    EXPECT_TRUE(steps_.empty()) << "steps left over after " << ::testing::PrintToString(seen_);
}

LRESULT CALLBACK User::Owner(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && lParam && !IsMessageBox(reinterpret_cast<HWND>(lParam)))
        g_user->Idle(reinterpret_cast<HWND>(lParam), wParam == MSGF_MENU);
    return CallWindowProcA(g_user->original_, hwnd, message, wParam, lParam);
}

// Wine's message boxes never tell their owner that they wait (DS_NOIDLEMSG): they are met once
// active, before they have their text and buttons, so they are read from their loop a moment later.
LRESULT CALLBACK User::Activated(int code, WPARAM wParam, LPARAM lParam)
{
    HWND box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && IsMessageBox(box) && !g_user->Owns(box) && box != g_user->box_) {
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

void PrintTo(const Met& met, std::ostream* out)
{
    const char* kinds[] = {"Dialog", "Box", "Menu", "Forced", "Refused", "Looked"};
    const char* hows[] = {" unowned", " over a box", " off centre", " typing"};
    *out << kinds[static_cast<int>(met.kind)] << "(" << met.caption;
    if (met.buttons)
        *out << " buttons 0x" << std::hex << met.buttons << std::dec;
    for (unsigned bit = 0; bit < 4; ++bit)
        *out << (met.how >> bit & 1 ? hows[bit] : "");
    *out << (met.defaultFirst ? " default first" : "") << (met.control ? " control " : "")
         << (met.control ? std::to_string(met.control) : "") << " grayed"
         << ::testing::PrintToString(met.grayed) << " checked"
         << ::testing::PrintToString(met.checked) << " disabled"
         << ::testing::PrintToString(met.disabled) << " rows" << ::testing::PrintToString(met.rows)
         << ")";
}

bool operator==(const Met& a, const Met& b)
{
    return ::testing::PrintToString(a) == ::testing::PrintToString(b);
}

// A box's buttons as MessageBox takes them: which show, and the default of a choice.
UINT Buttons(HWND box)
{
    auto shown = [box](int id) { return IsWindowVisible(GetDlgItem(box, id)) != FALSE; };
    UINT type = shown(IDYES) ? (shown(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO)
                             : (shown(IDCANCEL) ? MB_OKCANCEL : MB_OK);
    UINT count = 0, defaultAt = 0;
    for (int id : {IDOK, IDYES, IDNO, IDCANCEL})
        if (shown(id) && ++count &&
            (GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            defaultAt = count - 1;
    // A lone button is no choice: its default goes unsaid.
    return type | (count > 1 ? defaultAt * MB_DEFBUTTON2 : 0);
}

// The loop as met the first time: what it is, and how it shows.
void User::Meet(HWND modal, bool menu)
{
    bench::Met met = {menu ? Kind::Menu : IsMessageBox(modal) ? Kind::Box : Kind::Dialog};
    if (menu) {
        HMENU items = reinterpret_cast<HMENU>(SendMessageA(modal, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(items); ++i)
            if (GetMenuState(items, i, MF_BYPOSITION) & MF_GRAYED)
                met.grayed.insert(GetMenuItemID(items, i));
        met.defaultFirst = GetMenuDefaultItem(items, TRUE, 0) == 0;
    } else if (met.caption = Caption(modal); met.kind == Kind::Dialog) {
        RECT r = {};
        GetWindowRect(modal, &r);
        const bool centred = std::abs(r.left + r.right - GetSystemMetrics(SM_CXSCREEN)) <= 1 &&
                             std::abs(r.top + r.bottom - GetSystemMetrics(SM_CYSCREEN)) <= 1;
        const bool typing =
            IsChild(modal, GetFocus()) && GetDlgCtrlID(GetFocus()) == IDC_PASSCODE_EDIT;
        met.how = (centred ? 0 : kOffCentre) | (typing ? kTyping : 0);
    } else {
        const bool overBox = std::any_of(met_.begin(), met_.end(),
                                         [](HWND w) { return IsWindow(w) && IsMessageBox(w); });
        met.how = (Owns(GetWindow(modal, GW_OWNER)) ? 0 : kUnowned) | (overBox ? kOverBox : 0);
        met.buttons = Buttons(modal);
        char text[512] = {};
        GetDlgItemTextA(modal, 0xFFFF, text, sizeof text);
        boxText_ = text;
    }
    seen_.push_back(met);
    met_.push_back(modal);
}

void User::Idle(HWND modal, bool menu)
{
    if (!Owns(modal))
        Meet(modal, menu);
    const std::string want = steps_.empty() ? "" : steps_[0].caption, caption = Caption(modal);
    const bool box = !menu && IsMessageBox(modal);
    if (!steps_.empty() && (menu  ? want == "menu"
                            : box ? want == caption
                                  : caption.rfind(want, 0) == 0)) {
        const Step step = steps_.front();
        steps_.erase(steps_.begin());
        idle_ = 0;
        if (step.first)
            step.first();
        Act(modal, step);
    } else if (box || ++idle_ > 50) {
        // Nobody answers it (or it ignores its answer): end it rather than hang the test.
        seen_.push_back(Forced(caption.c_str()));
        menu ? void(EndMenu()) : void(EndDialog(modal, 0));
    }
    // The loop waits for a message after telling its owner: give it one.
    PostMessageA(modal, WM_NULL, 0, 0);
}

// The Setting dialog's boxes, Add and Delete, and its rows, as a user reads them.
bench::Met LookAt(HWND dialog)
{
    bench::Met looked = Looked({}, {}, {});
    for (int id : {IDC_AUTO_START, IDC_EASY_PC_LOCK, IDC_QUICK_LOCK, IDC_DEBUG_BOX,
                   IDC_RECORD_IPLOG, IDC_ADD, IDC_DELETE}) {
        if (IsDlgButtonChecked(dialog, id))
            looked.checked.insert(id);
        if (!IsWindowEnabled(GetDlgItem(dialog, id)))
            looked.disabled.insert(id);
    }
    char row[300];
    for (int i = 0; SendDlgItemMessageA(dialog, IDC_TRUSTED_LIST, LB_GETTEXT, i,
                                        reinterpret_cast<LPARAM>(row)) != LB_ERR;
         ++i)
        looked.rows.push_back(row);
    return looked;
}

// Keys go through the modal loop, as a user's: Enter clicks the focused or default button.
void User::Act(HWND modal, const Step& step)
{
    HWND control = GetDlgItem(modal, step.id);
    if (step.act == Do::Enter || step.act == Do::Escape)
        PostMessageA(modal, WM_KEYDOWN, step.act == Do::Enter ? VK_RETURN : VK_ESCAPE, 0);
    else if (step.act == Do::Click && !(IsWindowEnabled(control) && IsWindowVisible(control)))
        seen_.push_back(Refused(step.id));
    else if (step.act == Do::Click)
        SendMessageA(control, BM_CLICK, 0, 0);
    else if (step.act == Do::Select)
        SendDlgItemMessageA(modal, IDC_TRUSTED_LIST, LB_SETCURSEL, step.id, 0);
    else if (step.act == Do::Command)
        PostMessageA(GetWindow(modal, GW_OWNER), WM_COMMAND, step.id, 0);
    else if (step.act == Do::Look)
        seen_.push_back(LookAt(modal));
    else if (step.act == Do::EndMenu)
        EndMenu();
    else if (step.act == Do::Type || step.act == Do::Press) {
        if (step.act == Do::Type)
            SetDlgItemTextA(modal, IDC_PASSCODE_EDIT, step.text);
        PostMessageA(modal, WM_COMMAND, step.id, 0);
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
    PumpMessages(0); // the quit message of the window's end included
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
