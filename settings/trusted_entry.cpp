// Trusted entries: an address, or a network in CIDR form.
#include "settings/trusted_entry.h"

#include <cstdint>
#include <cstring>

namespace {

enum class Form { kNone, kAddress, kNetwork };

// A decimal of one to three digits, at most limit: no sign, no blank, no leading zero (an
// address with one could never equal the lookup's text, and "08" reads as octal elsewhere).
bool ReadNumber(const char*& text, unsigned limit, unsigned& value)
{
    const char* start = text;
    value = 0;
    while (*text >= '0' && *text <= '9' && text - start < 3)
        value = value * 10 + static_cast<unsigned>(*text++ - '0');
    const auto digits = text - start;
    return digits > 0 && !(digits > 1 && *start == '0') && value <= limit;
}

// Four decimals from 0 to 255 between dots.
bool ReadAddress(const char*& text, uint32_t& address)
{
    address = 0;
    for (int i = 0; i < 4; ++i) {
        unsigned octet = 0;
        if ((i > 0 && *text++ != '.') || !ReadNumber(text, 255, octet))
            return false;
        address = address << 8 | octet;
    }
    return true;
}

// An address alone, or an address, a slash and a prefix length from 0 to 32; nothing after.
// Host bits set in a network entry mean the network they belong to.
Form Parse(const char* entry, uint32_t& network, uint32_t& mask)
{
    const char* text = entry;
    if (!entry || !ReadAddress(text, network))
        return Form::kNone;
    mask = UINT32_MAX;
    if (*text == '\0')
        return Form::kAddress;
    unsigned bits = 0;
    if (*text++ != '/' || !ReadNumber(text, 32, bits) || *text != '\0')
        return Form::kNone;
    mask = bits == 0 ? 0 : UINT32_MAX << (32 - bits);
    return Form::kNetwork;
}

} // namespace

bool EntryTrusts(const char* entry, const char* address)
{
    uint32_t network = 0, mask = 0, host = 0, hostMask = 0;
    switch (Parse(entry, network, mask)) {
    case Form::kAddress:
        return std::strcmp(entry, address) == 0; // by whole text, as ever
    case Form::kNetwork:
        return Parse(address, host, hostMask) == Form::kAddress && ((host ^ network) & mask) == 0;
    case Form::kNone:
        break;
    }
    return false;
}

bool IsValidEntry(const char* entry)
{
    uint32_t network = 0, mask = 0;
    return Parse(entry, network, mask) != Form::kNone;
}
