// Choosing a save directory through the folder browser, as both programs'
// option dialogs do: the title "Select Save directory", file-system folders
// only, and the chosen path ending in a backslash.
#pragma once

#include <string>

#include "platform/system/wintypes.h"

// Asks the user for a folder; on a choice, *directory becomes its path in
// Windows form with a backslash appended (except for the roots of A: to F:,
// which have one). TRUE when the user chose a folder.
BOOL BrowseForSaveDirectory(HWND owner, std::string* directory);
