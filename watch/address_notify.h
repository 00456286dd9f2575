// The system's address-change notification: a pending NotifyAddrChange request whose
// completion posts a message to the agent window, so a move is checked at once instead of
// at the next poll.
#pragma once
#include <windows.h>

// Asks to be told of the next change of the IPv4 address table; when it comes, message is
// posted to hwnd. Returns 1 when the request is pending, 0 when the system cannot notify
// (the poll then works alone).
int StartAddressNotify(HWND hwnd, UINT message);

// Asks again once a notification has come (a request completes once). Returns as above.
int RenewAddressNotify();

// Cancels the request and its wait; harmless when there is none.
void StopAddressNotify();
