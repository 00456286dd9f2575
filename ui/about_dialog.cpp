// The Version Info dialog: banner, version text, notice and web address, one OK button.
#include "ui/dialogs.h"

namespace {

INT_PTR OnAboutInit(HWND hwnd)
{
    CenterDialog(hwnd);
    return FALSE;
}

INT_PTR OnAboutCommand(HWND hwnd, WORD id)
{
    switch (id) {
    case IDOK:
    // Escape and the close box arrive as IDCANCEL; with nothing to cancel they close as OK does.
    case IDCANCEL:
        EndDialog(hwnd, IDOK);
        return TRUE;
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK AboutDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnAboutInit(hwnd);
    case WM_COMMAND:
        return OnAboutCommand(hwnd, LOWORD(wParam));
    }
    return FALSE;
}
