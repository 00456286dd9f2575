// The activity log "appAction.log" next to the program file, written while "IP_list" is on.
#pragma once

// Appends "YYYY/MM/DD hh:mm:ss IP:<g_currentAddress>\n" when g_recordLog is 1. Returns 1.
int WriteActionLog();
