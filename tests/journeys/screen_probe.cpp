// Reads the screen the way a screen reader does, for the journeys (run.sh); it never sends
// input and never changes a window.
//   screen_probe tip              the text and rectangle of every tooltip on show
//   screen_probe window <caption> the window and client rectangles of the visible
//                                 top-level window with that caption (exit 1 if none)
//   screen_probe menu             the rectangle of the pop-up menu on show (exit 1 if none)
// Rectangles are printed as "left top right bottom" in screen pixels.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

struct Search {
    const char* caption;
    HWND found;
};

BOOL CALLBACK PrintTip(HWND hwnd, LPARAM)
{
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "tooltips_class32") != 0 || !IsWindowVisible(hwnd))
        return TRUE;
    // A tooltip answers WM_GETTEXT with the tip it shows; the system carries the text
    // across processes, as it does for any screen reader.
    char text[256] = {};
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    std::printf("%ld %ld %ld %ld\t%s\n", rect.left, rect.top, rect.right, rect.bottom, text);
    return TRUE;
}

BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    char caption[256] = {};
    GetWindowTextA(hwnd, caption, sizeof caption);
    if (IsWindowVisible(hwnd) && std::strcmp(caption, search->caption) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisible(const char* caption)
{
    Search search = {caption, nullptr};
    EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int PrintWindow(const char* caption)
{
    HWND hwnd = FindVisible(caption);
    if (!hwnd)
        return 1;
    RECT outer = {};
    GetWindowRect(hwnd, &outer);
    RECT client = {};
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::printf("%ld %ld %ld %ld %ld %ld %ld %ld\n", outer.left, outer.top, outer.right,
                outer.bottom, client.left, client.top, client.right, client.bottom);
    return 0;
}

BOOL CALLBACK MatchMenu(HWND hwnd, LPARAM param)
{
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (IsWindowVisible(hwnd) && std::strcmp(cls, "#32768") == 0) {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

int PrintMenu()
{
    HWND menu = nullptr;
    EnumWindows(MatchMenu, reinterpret_cast<LPARAM>(&menu));
    if (!menu)
        return 1;
    RECT rect = {};
    GetWindowRect(menu, &rect);
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "tip") == 0) {
        EnumWindows(PrintTip, 0);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "window") == 0)
        return PrintWindow(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "menu") == 0)
        return PrintMenu();
    std::fprintf(stderr, "usage: screen_probe tip | menu | window <caption>\n");
    return 2;
}
