// The trusted address list as a whole, on top of the store's five slots.
#include "settings/trusted_list.h"

#include <windows.h>

void ReadTrustedList(CCommonReg& store, TrustedList& list)
{
    ZeroMemory(&list, sizeof list);
    // The list ends at the first slot that cannot be read, whatever follows it.
    while (list.count < kTrustedSlots &&
           store.ReadListEntry(list.count + 1, list.entries[list.count]) == 0)
        ++list.count;
}

void WriteTrustedList(CCommonReg& store, const char* const* entries, int count)
{
    // Missing slots just fail to delete.
    for (int slot = 1; slot <= kTrustedSlots; ++slot)
        store.DeleteListEntry(slot);
    // Empty entries are skipped without using a slot: a gap would hide every entry after it.
    int slot = 1;
    for (int i = 0; i < count && slot <= kTrustedSlots; ++i) {
        if (entries[i] && entries[i][0] != '\0')
            store.WriteListEntry(slot++, entries[i]);
    }
}
