// The PassCode dialog: the gate in front of Setting and Exit. Its verdict goes to g_passOk.
#include "ui/dialogs.h"

#include <cstring>

#include "settings/runtime_options.h"
#include "ui/res/resource.h"

int g_passOk;

namespace {

INT_PTR OnPassCodeInit(HWND hwnd)
{
    CenterDialog(hwnd);
    // Typing goes straight into the code box; FALSE because the focus is set here.
    SetFocus(GetDlgItem(hwnd, IDC_PASSCODE_EDIT));
    return FALSE;
}

INT_PTR OnPassCodeOk(HWND hwnd)
{
    char typed[kPassCodeSize] = {};
    SendDlgItemMessageA(hwnd, IDC_PASSCODE_EDIT, WM_GETTEXT, kPassCodeSize - 1,
                        reinterpret_cast<LPARAM>(typed));
    // Texts, not numbers: "08306" is not "8306". strcmp, not lstrcmpA, which compares
    // linguistically rather than byte for byte. An empty code in force is a stored code
    // that could not be used: nothing opens until the value is fixed or deleted.
    const bool equal = g_passCode[0] != '\0' && std::strcmp(typed, g_passCode) == 0;
    EndDialog(hwnd, IDOK);
    g_passOk = equal ? 1 : 0;
    return equal ? TRUE : FALSE;
}

INT_PTR OnPassCodeCancel(HWND hwnd)
{
    EndDialog(hwnd, IDCANCEL);
    g_passOk = 0;
    return FALSE;
}

INT_PTR OnPassCodeCommand(HWND hwnd, WORD id)
{
    switch (id) {
    case IDOK:
        return OnPassCodeOk(hwnd);
    case IDCANCEL:
        return OnPassCodeCancel(hwnd);
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK PassCodeDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnPassCodeInit(hwnd);
    case WM_COMMAND:
        return OnPassCodeCommand(hwnd, LOWORD(wParam));
    }
    return FALSE;
}
