// The Setting dialog: switches, pass code and the trusted address list.
// "Debug box" and "Quick Lock" are stored the moment they are clicked; the rest on OK.
#include "ui/dialogs.h"

#include <array>
#include <cstring>

#include "settings/common_reg.h"
#include "settings/runtime_options.h"
#include "settings/trusted_list.h"
#include "ui/res/resource.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"

namespace {

constexpr int kMinPassCodeLength = 4;
constexpr int kMaxPassCodeLength = 23;
constexpr int kPassCodeReadSize = 125; // what OK reads into g_passCode
constexpr int kListTextSize = 512;     // Add's buffer for one list entry

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

// Sets the box from its stored flag. An absent value leaves the box as the template has it.
// Returns the ReadSetting result; the flag read goes to flagOut when given.
int ShowStoredFlag(CCommonReg& store, HWND hwnd, int id, SettingKind kind, int* flagOut = nullptr)
{
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

// Copies list entry `index` into out when it fits; an entry that does not fit reads as empty.
void ListText(HWND hwnd, int index, char* out, int outSize)
{
    out[0] = '\0';
    const LRESULT length = SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length >= outSize)
        return;
    SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_GETTEXT, index, reinterpret_cast<LPARAM>(out));
}

// Add while the list holds fewer than five entries, Delete while it holds any.
void ApplyListButtonRule(HWND hwnd)
{
    EnableItem(hwnd, IDC_DELETE, false);
    EnableItem(hwnd, IDC_ADD, true);
    const int count = ListCount(hwnd);
    if (count >= kTrustedSlots)
        EnableItem(hwnd, IDC_ADD, false);
    if (count != 0)
        EnableItem(hwnd, IDC_DELETE, true);
}

INT_PTR OnSettingInit(HWND hwnd)
{
    CenterDialog(hwnd);

    CCommonReg store;
    if (store.IsAutoStart() == 1)
        SetChecked(hwnd, IDC_AUTO_START, 1);
    ShowStoredFlag(store, hwnd, IDC_DEBUG_BOX, SETTING_DEBUG);
    ShowStoredFlag(store, hwnd, IDC_RECORD_IPLOG, SETTING_IP_LIST);
    int computerLock = 0;
    if (ShowStoredFlag(store, hwnd, IDC_EASY_PC_LOCK, SETTING_COMPUTER_LOCK, &computerLock) == 0) {
        ShowStoredFlag(store, hwnd, IDC_QUICK_LOCK, SETTING_QUICK_CLICK);
        EnableItem(hwnd, IDC_QUICK_LOCK, computerLock == 1);
    }

    // The code in force, which may be the default that lives only in memory.
    SendDlgItemMessageA(hwnd, IDC_PASSCODE_EDIT, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(g_passCode));

    LookUpAddress();
    FormatTipText();
    SendDlgItemMessageA(hwnd, IDC_CURRENT_ADDRESS, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(g_currentAddress));

    TrustedList list = {};
    ReadTrustedList(store, list);
    for (int i = 0; i < list.count; ++i)
        SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(list.entries[i]));
    ApplyListButtonRule(hwnd);
    // TRUE: the system gives the focus to the first tab stop, so the keyboard works at once.
    return TRUE;
}

INT_PTR OnDebugBoxClicked(HWND hwnd)
{
    g_confirmBox = IsChecked(hwnd, IDC_DEBUG_BOX);
    CCommonReg store;
    store.WriteSetting(SETTING_DEBUG, "", g_confirmBox);
    return FALSE;
}

INT_PTR OnQuickLockClicked(HWND hwnd)
{
    g_quickClick = IsChecked(hwnd, IDC_QUICK_LOCK);
    CCommonReg store;
    store.WriteSetting(SETTING_QUICK_CLICK, "", g_quickClick);
    return FALSE;
}

// Nothing is stored here: "Easy PC Lock" takes effect on OK. Unchecking greys "Quick Lock"
// but leaves its check mark; checking it again shows the stored "QuickClick".
INT_PTR OnEasyPcLockClicked(HWND hwnd)
{
    if (IsChecked(hwnd, IDC_EASY_PC_LOCK)) {
        EnableItem(hwnd, IDC_QUICK_LOCK, true);
        CCommonReg store;
        ShowStoredFlag(store, hwnd, IDC_QUICK_LOCK, SETTING_QUICK_CLICK);
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
        SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(g_currentAddress));
    ApplyListButtonRule(hwnd);
    return FALSE;
}

INT_PTR OnDeleteClicked(HWND hwnd)
{
    const LRESULT selected = SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_GETCURSEL, 0, 0);
    if (selected != LB_ERR)
        SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, LB_DELETESTRING, selected, 0);
    ApplyListButtonRule(hwnd);
    return FALSE;
}

// Stores the list in its sort order. WriteTrustedList drops empty entries (Add puts one in
// while no lookup has succeeded) and closes the gaps, so no reader stops short of an entry.
void StoreTrustedList(CCommonReg& store, HWND hwnd)
{
    std::array<std::array<char, kListEntrySize>, kTrustedSlots> texts = {};
    std::array<const char*, kTrustedSlots> entries = {};
    int count = ListCount(hwnd);
    if (count > kTrustedSlots)
        count = kTrustedSlots;
    for (int i = 0; i < count; ++i) {
        ListText(hwnd, i, texts[i].data(), kListEntrySize);
        entries[i] = texts[i].data();
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

    // Each run-time value is set before its write, so it changes even when the write fails.
    CCommonReg store;
    g_computerLock = IsChecked(hwnd, IDC_EASY_PC_LOCK);
    store.WriteSetting(SETTING_COMPUTER_LOCK, "", g_computerLock);
    g_quickClick = IsChecked(hwnd, IDC_QUICK_LOCK); // greyed or not
    store.WriteSetting(SETTING_QUICK_CLICK, "", g_quickClick);
    store.SetAutoStart(IsChecked(hwnd, IDC_AUTO_START));
    // The hidden box still holds what the opening read: a stored 1 stays 1, absent becomes 0.
    g_recordLog = IsChecked(hwnd, IDC_RECORD_IPLOG);
    store.WriteSetting(SETTING_IP_LIST, "", g_recordLog);
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
