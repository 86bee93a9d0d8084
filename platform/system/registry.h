// The registry, read only, loaded from a .reg text file (orvane::prefix::RegistryPath()).
//
// The file is in the format the Windows registry editor exports: a header line
// ("Windows Registry Editor Version 5.00" or "REGEDIT4"), UTF-8 or UTF-16LE with
// a byte-order mark, "[KEY\\PATH]" sections, "[-KEY]" deletions and values
// "name"="text", @="default", "name"=dword:0000001f, "name"=hex:..,
// "name"=hex(N):.. (hex(2) expandable string, hex(7) multi-string), with
// backslash continuation lines. An absent file is an empty registry, and so is
// a file whose first line is not such a header (the editor refuses those); a
// malformed line is skipped, so a damaged file gives a partial registry.
//
// Key and value names compare case-insensitively. HKEY_CLASSES_ROOT also sees
// the keys stored under HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as on Windows.
// The file is re-read when it changes (path, size or modification time, and
// its bytes while it is less than two seconds old, as file times move in
// clock ticks), so tests can rewrite it between cases. Open handles keep their
// path and see the new contents. All functions are thread-safe.
#pragma once

#include "platform/system/winerror.h"
#include "platform/system/wintypes.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000003u)))
#define HKEY_CURRENT_CONFIG (reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000005u)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;

// Opens subKey below key. A trailing backslash is ignored; a leading one is
// ERROR_BAD_PATHNAME; an empty or null subKey opens key itself again. The
// caller owns *result (a new handle on every success) and closes it with
// RegCloseKey; it is null on failure. Returns ERROR_SUCCESS, ERROR_FILE_NOT_FOUND
// for a missing key, ERROR_INVALID_HANDLE for a bad key.
LONG RegOpenKey(HKEY key, LPCSTR subKey, PHKEY result);
// As RegOpenKey. Any access right that writes is refused with ERROR_ACCESS_DENIED.
LONG RegOpenKeyEx(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);

// Reads a named value (null or "" for the default value). With data null, only
// *type and *dataSize are set. A buffer smaller than the value gives
// ERROR_MORE_DATA with *dataSize set to the size needed; strings are counted
// with their terminating zero. A missing value gives ERROR_FILE_NOT_FOUND;
// data without dataSize, or a non-null reserved, ERROR_INVALID_PARAMETER.
// Strings are UTF-8.
LONG RegQueryValueEx(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                     LPDWORD dataSize);

// Reads the default value of subKey (or of key itself) as text into value,
// *valueSize bytes long. A key without a default value reads as "" (size 1),
// as on Windows. ERROR_MORE_DATA when the buffer is too small; with value null
// only *valueSize is set. A REG_EXPAND_SZ default reads as its text, not
// expanded; any other non-string default gives ERROR_INVALID_DATA (13).
LONG RegQueryValue(HKEY key, LPCSTR subKey, LPSTR value, PLONG valueSize);

// Closes a key opened above. The predefined roots need no closing (success).
LONG RegCloseKey(HKEY key);
