// The machine's own IPv4 address, as the resolver gives it for the computer name.
#pragma once
#include <winsock2.h>

// Dotted-quad text ("%d.%d.%d.%d", at most 15 characters) with room to spare.
constexpr int kAddressTextSize = 20;

extern char g_currentAddress[kAddressTextSize];

// Formats the last address of host's list into out; 0 (out untouched) when there is none.
int FormatLastAddress(const hostent* host, char (&out)[kAddressTextSize]);

// Resolves the computer name; keeps the previous address when that fails. Always true.
bool LookUpAddress();
