// Address lookup: the last address the resolver lists for the computer name.
#include "watch/address_lookup.h"

#include <windows.h>

#include <strsafe.h>

char g_currentAddress[kAddressTextSize];

int FormatLastAddress(const hostent* host, char (&out)[kAddressTextSize])
{
    // An answer without any IPv4 address is no answer: keep what we had.
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list ||
        !host->h_addr_list[0])
        return 0;
    int last = 0;
    while (host->h_addr_list[last + 1])
        ++last;
    const auto* bytes = reinterpret_cast<const unsigned char*>(host->h_addr_list[last]);
    // At most 15 characters: always fits.
    StringCchPrintfA(out, sizeof out, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    return 1;
}

bool LookUpAddress()
{
    char name[256] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size))
        lstrcpyA(name, "No Get PC name");

    char text[kAddressTextSize];
    if (FormatLastAddress(gethostbyname(name), text))
        lstrcpynA(g_currentAddress, text, sizeof g_currentAddress);
    return true;
}
