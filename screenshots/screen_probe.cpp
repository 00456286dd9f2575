// Reads the screen as a screen reader does, for the journeys and the tray pictures: one
// line per visible top-level window, "class<TAB>caption<TAB>l t r b<TAB>client l t r b" in
// screen pixels. It never sends input and never changes a window.
#include <windows.h>

#include <cstdio>

static BOOL CALLBACK PrintWindowLine(HWND hwnd, LPARAM)
{
    char cls[64] = {}, caption[256] = {};
    RECT outer = {}, client = {};
    if (!IsWindowVisible(hwnd) || !GetClassNameA(hwnd, cls, sizeof cls))
        return TRUE;
    GetWindowTextA(hwnd, caption, sizeof caption);
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::printf("%s\t%s\t%ld %ld %ld %ld\t%ld %ld %ld %ld\n", cls, caption, outer.left, outer.top,
                outer.right, outer.bottom, client.left, client.top, client.right, client.bottom);
    return TRUE;
}

int main()
{
    EnumWindows(PrintWindowLine, 0);
    return 0;
}
