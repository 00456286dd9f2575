// The Setting dialog: switches, pass code and the trusted address list.
// "Debug box" and "Quick Lock" are stored the moment they are clicked; the rest on OK.
#include "ui/dialogs.h"

#include <array>
#include <cstring>

#include <strsafe.h>

#include "agent/agent.h"
#include "settings/common_reg.h"
#include "settings/policy.h"
#include "settings/runtime_options.h"
#include "settings/trusted_entry.h"
#include "settings/trusted_list.h"
#include "ui/res/resource.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"

namespace {

constexpr int kMinPassCodeLength = 4;
constexpr int kMaxPassCodeLength = 23;
constexpr int kPassCodeReadSize = 125; // what OK reads into g_passCode
constexpr int kListTextSize = 512;     // Add's buffer for one list entry
constexpr int kFirstControl = 1000;    // below every control identifier of the dialog

// A row's item data: a policy's entry (listed, never deleted, not one of the user's five)
// and an entry that trusts nothing, each shown with its mark after the text.
constexpr LPARAM kRowPolicy = 1, kRowInvalid = 2;
constexpr char kPolicyMark[] = " (policy)";
constexpr char kInvalidMark[] = " (invalid)";

int IsChecked(HWND hwnd, int id)
{
    return SendDlgItemMessageA(hwnd, id, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void SetChecked(HWND hwnd, int id, int flag)
{
    SendDlgItemMessageA(hwnd, id, BM_SETCHECK, flag == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void EnableItem(HWND hwnd, int id, bool enable)
{
    EnableWindow(GetDlgItem(hwnd, id), enable ? TRUE : FALSE);
}

// A box a policy held at the opening shows the policy's value, never the user's: OK leaves the
// user's own alone even when the policy went meanwhile. One bit a control, in the dialog's
// own slot.
void MarkHeld(HWND hwnd, int id)
{
    SetWindowLongPtrA(hwnd, DWLP_USER,
                      GetWindowLongPtrA(hwnd, DWLP_USER) | LONG_PTR{1} << (id - kFirstControl));
}

bool WasHeld(HWND hwnd, int id)
{
    return (GetWindowLongPtrA(hwnd, DWLP_USER) >> (id - kFirstControl) & 1) != 0;
}

// A box a policy holds shows the policy's value and cannot be changed.
void ShowHeld(HWND hwnd, int id, int held)
{
    SetChecked(hwnd, id, held);
    EnableItem(hwnd, id, false);
    MarkHeld(hwnd, id);
}

// Sets the box from its stored flag, or from the policy that holds it. An absent value leaves
// the box as the template has it. Returns the ReadSetting result (0 for a held switch); the
// flag in force goes to flagOut when given.
int ShowFlag(CCommonReg& store, HWND hwnd, int id, SettingKind kind, int held,
             int* flagOut = nullptr)
{
    if (IsHeld(held)) {
        ShowHeld(hwnd, id, held);
        if (flagOut)
            *flagOut = held;
        return 0;
    }
    char text[kSettingTextSize];
    int flag = 0;
    const int result = store.ReadSetting(kind, text, &flag);
    if (result == 0) {
        SetChecked(hwnd, id, flag);
        if (flagOut)
            *flagOut = flag;
    }
    return result;
}

int ListCount(HWND hwnd)
{
    const LRESULT count = SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

LPARAM RowMarks(HWND hwnd, int index)
{
    const LRESULT marks = SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_GETITEMDATA, index, 0);
    return marks == LB_ERR ? 0 : marks;
}

// The rows of the user's own entries: those the five slots and the list buttons count.
int OwnRowCount(HWND hwnd)
{
    int own = 0;
    for (int i = ListCount(hwnd) - 1; i >= 0; --i)
        own += (RowMarks(hwnd, i) & kRowPolicy) == 0;
    return own;
}

// Copies list entry `index` into out when it fits; an entry that does not fit reads as empty.
void ListText(HWND hwnd, int index, char* out, int outSize)
{
    out[0] = '\0';
    const LRESULT length = SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length >= outSize)
        return;
    SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_GETTEXT, index, reinterpret_cast<LPARAM>(out));
}

// Lists an entry with its marks; the list sorts the rows as text.
void AddRow(HWND hwnd, const char* entry, LPARAM marks)
{
    if (!IsValidEntry(entry))
        marks |= kRowInvalid;
    char row[kListEntrySize + sizeof kPolicyMark + sizeof kInvalidMark];
    StringCchPrintfA(row, ARRAYSIZE(row), "%s%s%s", entry, marks & kRowPolicy ? kPolicyMark : "",
                     marks & kRowInvalid ? kInvalidMark : "");
    const LRESULT index =
        SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
    if (index >= 0)
        SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_SETITEMDATA, index, marks);
}

bool AddPolicyRow(const char* entry, LPARAM hwnd)
{
    AddRow(reinterpret_cast<HWND>(hwnd), entry, kRowPolicy);
    return false; // all of them
}

// Add while the user's own entries are fewer than five, Delete while there is any; neither
// where a policy sets the user's own list aside.
void ApplyListButtonRule(HWND hwnd)
{
    const bool editable = OwnListCounts();
    const int own = OwnRowCount(hwnd);
    EnableItem(hwnd, IDC_DELETE, editable && own != 0);
    EnableItem(hwnd, IDC_ADD, editable && own < kTrustedSlots);
}

// The box shows whether the Run value exists, or what a policy makes of it at every start.
void ShowAutostart(CCommonReg& store, HWND hwnd)
{
    if (IsHeld(g_policies.autostart))
        ShowHeld(hwnd, IDC_AUTO_START, g_policies.autostart);
    else if (store.IsAutoStart() == 1)
        SetChecked(hwnd, IDC_AUTO_START, 1);
}

// The marks make rows wider than the template's list, and a list scrolls sideways only when
// it was made so: it is made again in its place, tab order and font, with a scroll bar.
void MakeTrustedListScroll(HWND hwnd)
{
    HWND old = GetDlgItem(hwnd, IDC_TRUSTED_LIST);
    RECT rect = {};
    GetWindowRect(old, &rect);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rect), 2);
    HWND list = CreateWindowExA(
        static_cast<DWORD>(GetWindowLongA(old, GWL_EXSTYLE)), "LISTBOX", "",
        static_cast<DWORD>(GetWindowLongA(old, GWL_STYLE)) | WS_HSCROLL, rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top, hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TRUSTED_LIST)), g_hInstance, nullptr);
    if (!list)
        return; // the template's list then serves, its long rows cut
    SendMessageA(list, WM_SETFONT, SendMessageA(old, WM_GETFONT, 0, 0), FALSE);
    SetWindowPos(list, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(old);
}

// The scroll bar reaches as far as the widest row.
void FitTrustedListWidth(HWND hwnd)
{
    HWND list = GetDlgItem(hwnd, IDC_TRUSTED_LIST);
    const WindowDC dc(list);
    const Selection font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (int i = ListCount(hwnd) - 1; i >= 0; --i) {
        char text[kListTextSize];
        ListText(hwnd, i, text, sizeof text);
        SIZE extent = {};
        GetTextExtentPoint32A(dc.Get(), text, lstrlenA(text), &extent);
        widest = extent.cx > widest ? extent.cx : widest;
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 4), 0);
}

// The trusted entries in force: the user's own (unless a policy sets them aside) and the
// policies'.
void ShowTrustedList(CCommonReg& store, HWND hwnd)
{
    MakeTrustedListScroll(hwnd);
    TrustedList list = {};
    if (OwnListCounts())
        ReadTrustedList(store, list);
    for (int i = 0; i < list.count; ++i)
        AddRow(hwnd, list.entries[i], 0);
    ForEachPolicyEntry(AddPolicyRow, reinterpret_cast<LPARAM>(hwnd));
    FitTrustedListWidth(hwnd);
    ApplyListButtonRule(hwnd);
}

INT_PTR OnSettingInit(HWND hwnd)
{
    CenterDialog(hwnd);

    CCommonReg store;
    ShowAutostart(store, hwnd);
    ShowFlag(store, hwnd, IDC_DEBUG_BOX, SETTING_DEBUG, g_policies.confirmBox);
    ShowFlag(store, hwnd, IDC_RECORD_IPLOG, SETTING_IP_LIST, g_policies.recordLog);
    int computerLock = 0;
    const bool lockKnown = ShowFlag(store, hwnd, IDC_EASY_PC_LOCK, SETTING_COMPUTER_LOCK,
                                    g_policies.computerLock, &computerLock) == 0;
    if (lockKnown || IsHeld(g_policies.quickClick))
        ShowFlag(store, hwnd, IDC_QUICK_LOCK, SETTING_QUICK_CLICK, g_policies.quickClick);
    EnableItem(hwnd, IDC_QUICK_LOCK,
               lockKnown && computerLock == 1 && !IsHeld(g_policies.quickClick));

    // The code in force, which may be the default that lives only in memory.
    SendDlgItemMessageA(hwnd, IDC_PASSCODE_EDIT, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(g_passCode));

    LookUpAddress();
    FormatTipText();
    SendDlgItemMessageA(hwnd, IDC_CURRENT_ADDRESS, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(g_currentAddress));

    ShowTrustedList(store, hwnd);
    // TRUE: the system gives the focus to the first tab stop, so the keyboard works at once.
    return TRUE;
}

// A switch the user may set goes into force and into the store; one a policy holds keeps
// the policy's value, and the user's own stays stored for when the policy goes.
void StoreSwitch(CCommonReg& store, HWND hwnd, int id, SettingKind kind, int held, int& option)
{
    if (IsHeld(held) || WasHeld(hwnd, id))
        return;
    // Set before the write, so it changes even when the write fails.
    option = IsChecked(hwnd, id);
    store.WriteSetting(kind, "", option);
}

INT_PTR OnDebugBoxClicked(HWND hwnd)
{
    CCommonReg store;
    StoreSwitch(store, hwnd, IDC_DEBUG_BOX, SETTING_DEBUG, g_policies.confirmBox, g_confirmBox);
    return FALSE;
}

INT_PTR OnQuickLockClicked(HWND hwnd)
{
    CCommonReg store;
    StoreSwitch(store, hwnd, IDC_QUICK_LOCK, SETTING_QUICK_CLICK, g_policies.quickClick,
                g_quickClick);
    return FALSE;
}

// Nothing is stored here: "Easy PC Lock" takes effect on OK. Unchecking greys "Quick Lock"
// but leaves its check mark; checking it again shows the stored "QuickClick", unless a
// policy holds that.
INT_PTR OnEasyPcLockClicked(HWND hwnd)
{
    const bool free = !IsHeld(g_policies.quickClick);
    if (IsChecked(hwnd, IDC_EASY_PC_LOCK) && free) {
        EnableItem(hwnd, IDC_QUICK_LOCK, true);
        CCommonReg store;
        ShowFlag(store, hwnd, IDC_QUICK_LOCK, SETTING_QUICK_CLICK, kNotHeld);
    } else {
        EnableItem(hwnd, IDC_QUICK_LOCK, false);
    }
    return FALSE;
}

// Adds the address of this moment (a check cycle may have changed it since the opening),
// unless it is listed already.
INT_PTR OnAddClicked(HWND hwnd)
{
    int listed = 0;
    const int count = ListCount(hwnd);
    for (int i = 0; i < count; ++i) {
        char text[kListTextSize];
        ListText(hwnd, i, text, sizeof text);
        if (text[0] != '\0' && std::strcmp(text, g_currentAddress) == 0)
            ++listed;
    }
    if (listed == 0)
        AddRow(hwnd, g_currentAddress, 0);
    FitTrustedListWidth(hwnd);
    ApplyListButtonRule(hwnd);
    return FALSE;
}

// A policy's entry stays: only the administrator can take it away.
INT_PTR OnDeleteClicked(HWND hwnd)
{
    const LRESULT selected = SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_GETCURSEL, 0, 0);
    if (selected != LB_ERR && (RowMarks(hwnd, static_cast<int>(selected)) & kRowPolicy) == 0)
        SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_DELETESTRING, selected, 0);
    ApplyListButtonRule(hwnd);
    return FALSE;
}

// Stores the user's own rows in their sort order, without their marks. WriteTrustedList
// drops empty entries (Add puts one in while no lookup has succeeded) and closes the gaps,
// so no reader stops short of an entry. Where a policy sets the own list aside, the dialog
// could not change it: it stays stored as it is.
void StoreTrustedList(CCommonReg& store, HWND hwnd)
{
    if (!OwnListCounts())
        return;
    std::array<std::array<char, kListEntrySize + sizeof kInvalidMark>, kTrustedSlots> texts = {};
    std::array<const char*, kTrustedSlots> entries = {};
    int count = 0;
    for (int i = 0; i < ListCount(hwnd) && count < kTrustedSlots; ++i) {
        const LPARAM marks = RowMarks(hwnd, i);
        if (marks & kRowPolicy)
            continue;
        char* text = texts[count].data();
        ListText(hwnd, i, text, static_cast<int>(texts[count].size()));
        const int length = lstrlenA(text) - lstrlenA(kInvalidMark);
        if ((marks & kRowInvalid) && length >= 0)
            text[length] = '\0';
        entries[count++] = text;
    }
    WriteTrustedList(store, entries.data(), count);
}

INT_PTR OnSettingOk(HWND hwnd)
{
    char code[kPassCodeSize] = {};
    const LRESULT length = SendDlgItemMessageA(hwnd, IDC_PASSCODE_EDIT, WM_GETTEXT,
                                               kPassCodeSize - 1, reinterpret_cast<LPARAM>(code));
    if (length < kMinPassCodeLength || length > kMaxPassCodeLength) {
        MessageBoxA(hwnd, "Please change PassCode lenght.", "Check !", MB_ICONWARNING);
        return FALSE;
    }

    CCommonReg store;
    StoreSwitch(store, hwnd, IDC_EASY_PC_LOCK, SETTING_COMPUTER_LOCK, g_policies.computerLock,
                g_computerLock);
    // "Quick Lock" greyed or not.
    StoreSwitch(store, hwnd, IDC_QUICK_LOCK, SETTING_QUICK_CLICK, g_policies.quickClick,
                g_quickClick);
    if (!IsHeld(g_policies.autostart) && !WasHeld(hwnd, IDC_AUTO_START))
        store.SetAutoStart(IsChecked(hwnd, IDC_AUTO_START));
    // The hidden box still holds what the opening read: a stored 1 stays 1, absent becomes 0.
    StoreSwitch(store, hwnd, IDC_RECORD_IPLOG, SETTING_IP_LIST, g_policies.recordLog, g_recordLog);
    SendDlgItemMessageA(hwnd, IDC_PASSCODE_EDIT, WM_GETTEXT, kPassCodeReadSize,
                        reinterpret_cast<LPARAM>(g_passCode));
    store.WriteSetting(SETTING_PASS_CODE, g_passCode, 0);
    StoreTrustedList(store, hwnd);

    EndDialog(hwnd, IDOK);
    return TRUE;
}

// Whatever "Debug box" and "Quick Lock" stored stays stored; everything else is dropped.
INT_PTR OnSettingCancel(HWND hwnd)
{
    EndDialog(hwnd, IDCANCEL);
    return TRUE;
}

INT_PTR OnSettingCommand(HWND hwnd, WPARAM wParam)
{
    // The check boxes match on the whole wParam: their own click (BN_CLICKED is 0) only.
    switch (wParam) {
    case IDC_DEBUG_BOX:
        return OnDebugBoxClicked(hwnd);
    case IDC_QUICK_LOCK:
        return OnQuickLockClicked(hwnd);
    case IDC_EASY_PC_LOCK:
        return OnEasyPcLockClicked(hwnd);
    }
    switch (LOWORD(wParam)) {
    case IDC_ADD:
        return OnAddClicked(hwnd);
    case IDC_DELETE:
        return OnDeleteClicked(hwnd);
    case IDOK:
        return OnSettingOk(hwnd);
    case IDCANCEL:
        return OnSettingCancel(hwnd);
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK SettingDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnSettingInit(hwnd);
    case WM_COMMAND:
        return OnSettingCommand(hwnd, wParam);
    }
    return FALSE;
}
