// An entry of a trusted list: an IPv4 address, trusted by its whole text, or a network in
// CIDR form ("10.20.0.0/16"), trusting every address whose first n bits equal its own.
#pragma once

// Whether entry trusts address (a dotted quad as the lookup formats it). An entry of
// neither form trusts nothing: bad input never widens trust.
bool EntryTrusts(const char* entry, const char* address);

// Whether entry is of either form, so that some address can be trusted by it.
bool IsValidEntry(const char* entry);
