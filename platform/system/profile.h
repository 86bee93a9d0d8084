// The profile functions on win.ini (orvane::prefix::ProfilePath()).
//
// Reading follows the Windows rules (see inifile.h for the line syntax):
// section and key names are case-insensitive, values are trimmed and lose one
// pair of surrounding quotes. The file is read afresh at every call, so edits
// by other programs are seen at once. Writing rewrites the whole file through
// a temporary file in the same folder, flushed to disk and renamed over the
// old one: a crash or a failed write (read-only folder, full disk) leaves the
// old file as it was, and the failure is returned to the caller.
#pragma once

#include "platform/system/winerror.h"
#include "platform/system/wintypes.h"

// Copies the value of key in section into out (size bytes, terminator
// included) and returns the number of characters copied without the
// terminator. A value that does not fit is cut to size - 1 characters. A
// missing key gives defaultValue (null: ""), less its trailing blanks.
// section null: the section names, each followed by a zero, with a final
// extra zero; key null: the key names of section, likewise. Such a list that
// does not fit is cut and ends in two zeros, and size - 2 is returned.
// out null or size 0: returns 0.
DWORD GetProfileString(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out, DWORD size);

// The value of key as a number: leading blanks, an optional sign and decimal
// digits up to the first other character ("12ab" is 12, "text" is 0, and
// "0x10" is 0); a missing key or an empty value gives defaultValue. Negative
// numbers come back in two's complement, as UINT.
UINT GetProfileInt(LPCSTR section, LPCSTR key, int defaultValue);

// Sets key=value in section, creating both as needed; value null removes the
// key, key null removes the section. Names and values holding a line break,
// a key holding "=" and a section name holding "]" are refused
// (ERROR_INVALID_PARAMETER): they would write lines the caller never meant.
// Returns FALSE with GetLastError set when the file cannot be written; the
// old file is then unchanged.
BOOL WriteProfileString(LPCSTR section, LPCSTR key, LPCSTR value);
