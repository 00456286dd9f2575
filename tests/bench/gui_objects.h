// What this process holds of the system's GDI and USER objects, and its private bytes.
// GetGuiResources answers on Windows; Wine answers 0, so there the handle tables are
// probed instead: every GDI handle index with GetObjectType, every USER handle index with
// IsWindow (windows of this process), IsMenu and GetCursorFrameInfo (icons and cursors).
#pragma once
#include <windows.h>

#include <string>

namespace bench {

struct GuiObjects {
    DWORD gdi = 0;
    DWORD user = 0;
    // What the counts are made of, for the report: "GetGuiResources" or the probed kinds.
    std::string how;
};

GuiObjects CountGuiObjects();

// Committed private memory: the system's PrivateUsage figure where it reports one, else
// (Wine answers 0) the sum of this process's committed private regions (VirtualQuery).
// Under Wine this sees what the program allocates, not what Wine keeps on its Unix side.
SIZE_T PrivateBytes();

} // namespace bench
