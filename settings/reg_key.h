// The typed reads every reader of the agent's values shares, on a scoped key.
#pragma once
#include "agent/scoped_handles.h"

// Reads a text value into buffer and always leaves it terminated. REG_EXPAND_SZ is text as
// much as REG_SZ (registry tools and policies write either) and is taken as it stands,
// nothing expanded. A value of another type, or a text that does not fit the buffer
// together with its terminator, counts as absent (false, empty text). The system adds a
// terminator only when there is room, and a failed query may leave anything in the
// buffer, so the terminator is ours to set.
bool ReadText(HKEY key, const char* name, char* buffer, DWORD size);

// A flag exists only as a 4-byte REG_DWORD; anything else stored under its name is
// not a flag value and counts as absent, so it can never turn a switch on.
bool ReadFlag(HKEY key, const char* name, DWORD* number);
