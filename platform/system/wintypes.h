// The Windows scalar and handle types the system code is written against.
// Sizes match the 32-bit Windows ABI the design assumes (DWORD and LONG are
// 32 bits), so format widths, wrap-around and buffer sizes behave as designed.
#pragma once

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LONGLONG = std::int64_t;
using REFERENCE_TIME = std::int64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;

using CHAR = char;
using LPSTR = char*;
using LPCSTR = const char*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using PLONG = LONG*;
using LPVOID = void*;

// A kernel object: a file or a process. Opaque; CloseHandle releases it.
struct KernelObject;
using HANDLE = KernelObject*;
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1)))

// An open registry key. The predefined roots are fixed values, as on Windows.
struct RegistryKey;
using HKEY = RegistryKey*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

struct RECT {
  LONG left, top, right, bottom;
};
static_assert(sizeof(RECT) == 16);

// A window. System code passes its Qt widgets where the design passes HWNDs.
class QWidget;
using HWND = QWidget*;

// What ShellExecute returns: a value above 32 on success, an error code otherwise.
using HINSTANCE = INT_PTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr DWORD MAX_PATH = 260;
constexpr DWORD INFINITE = 0xFFFFFFFF;
