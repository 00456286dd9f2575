// The trusted address list ("No Check IP List") as a whole, on top of the store's slots.
#pragma once
#include "settings/common_reg.h"

struct TrustedList {
    char entries[kTrustedSlots][kListEntrySize];
    int count;
};

// Reads slots 1, 2, ... and stops at the first slot that cannot be read.
void ReadTrustedList(CCommonReg& store, TrustedList& list);

// Replaces the stored list: deletes slots 1 to 5, then writes the non-empty entries to
// consecutive slots from 1, so no reader loses an entry behind a gap.
void WriteTrustedList(CCommonReg& store, const char* const* entries, int count);
