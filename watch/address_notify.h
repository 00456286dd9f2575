// The system's address-change notification: a pending NotifyAddrChange request whose
// completion posts a message to the agent window, so a move is checked at once instead of
// at the next poll.
#pragma once
#include <windows.h>

// Asks to be told of the next change of the IPv4 address table; when it comes, message is
// posted to hwnd. Returns 1 when the request is pending, 0 when the system cannot notify
// (the poll then works alone).
int StartAddressNotify(HWND hwnd, UINT message);

// Asks again once a notification has come (a request completes once), or when the last
// renewal failed. Returns as above.
int RenewAddressNotify();

// Whether the request that just completed reported a change: one completed with an error
// (a cancel, a failure of the system's) did not.
bool AddressChangeReported();

// Whether the last renewal failed, so that no request is pending: the poll asks again.
bool AddressNotifyLapsed();

// Cancels the request and its wait; harmless when there is none.
void StopAddressNotify();
