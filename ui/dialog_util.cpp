// The opening step shared by the three dialogs.
#include "ui/dialogs.h"

void CenterDialog(HWND dialog)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    // (left + screen - right) / 2 is (screen - width) / 2 taken from the window's own rectangle.
    const int x = (rect.left + screenWidth - rect.right) / 2;
    const int y = (rect.top + screenHeight - rect.bottom) / 2;
    SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}
