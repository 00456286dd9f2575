// Opens one of the program's dialogs, from its real template and dialog procedure, for a
// screenshot (scripts/screenshots.sh): show_dialog <resource> <rectangle file>.
// Once the dialog is on the screen its window rectangle goes to the file as "x y width
// height"; a few seconds later the dialog closes itself.
#include <windows.h>
#include <winsock2.h>

#include <cstdio>
#include <cstdlib>

#include "agent/agent.h"
#include "settings/runtime_options.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"

namespace {

constexpr UINT_PTR kShownTimer = 1;
constexpr UINT_PTR kCloseTimer = 2;
constexpr UINT kShownAfterMs = 1500;
constexpr UINT kCloseAfterMs = 8000;

DLGPROC g_dialogProc;
const char* g_rectFile;

void WriteRect(HWND hwnd)
{
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    if (FILE* file = std::fopen(g_rectFile, "w")) {
        std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top);
        std::fclose(file);
    }
}

// The dialog's own procedure does all the work; this only adds the two timers.
INT_PTR CALLBACK ShotProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kShownTimer) {
        KillTimer(hwnd, kShownTimer);
        WriteRect(hwnd);
        return TRUE;
    }
    if (message == WM_TIMER && wParam == kCloseTimer) {
        EndDialog(hwnd, 0);
        return TRUE;
    }
    const INT_PTR result = g_dialogProc(hwnd, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        // A code typed in, so the masked box shows what the user sees while typing.
        if (g_dialogProc == PassCodeDlgProc)
            SetDlgItemTextA(hwnd, IDC_PASSCODE_EDIT, "8306");
        // The trusted rows scrolled to their ends, so their policy and invalid marks show.
        if (g_dialogProc == SettingDlgProc)
            SendDlgItemMessageA(hwnd, IDC_TRUSTED_LIST, WM_HSCROLL, SB_RIGHT, 0);
        SetTimer(hwnd, kShownTimer, kShownAfterMs, nullptr);
        SetTimer(hwnd, kCloseTimer, kCloseAfterMs, nullptr);
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const int resource = std::atoi(argv[1]);
    g_rectFile = argv[2];
    switch (resource) {
    case IDD_VERSION_INFO:
        g_dialogProc = AboutDlgProc;
        break;
    case IDD_PASSCODE:
        g_dialogProc = PassCodeDlgProc;
        break;
    case IDD_SETTING:
        g_dialogProc = SettingDlgProc;
        break;
    default:
        return 2;
    }
    g_hInstance = GetModuleHandleA(nullptr);
    LoadRuntimeOptions();
    WSADATA data;
    WSAStartup(MAKEWORD(2, 0), &data);
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(resource), nullptr, ShotProc, 0);
    WSACleanup();
    return 0;
}
