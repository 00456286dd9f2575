// The change watch. Not wired yet: the cycle ends here until locking lands.
#include "watch/change_watch.h"

int g_checkCount;

void WatchAddressChange(HWND, const char*) {}
