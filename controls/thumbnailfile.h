// The file a recording's thumbnail waits in until the recording is listed.
// Programs recording at the same moment into one folder (two copies, or
// both viewers) each get their own, so none lists another's picture.
#pragma once

#include <string>

// "tmp.bmp" in folder (a directory ending in a backslash) while no other
// running program has it, else "tmp1.bmp", "tmp2.bmp"... Held until this
// program asks for another folder or ends. Whatever else holds the name (a
// link, a FIFO) is removed, so the picture is never written through it.
std::string ThumbnailFileIn(const std::string& folder);
