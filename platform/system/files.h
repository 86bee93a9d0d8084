// File services with the Windows signatures, over POSIX, on Windows-form paths.
//
// Linux locks no file against reading, so the Windows rule "a name is free
// when the file cannot be opened for reading" does not carry over: a file this
// process may not read would count as free and then be overwritten. The
// programs' file-name searches use NameIsTaken instead.
#pragma once

#include <string>
#include <vector>

#include "platform/system/handles.h"
#include "platform/system/winerror.h"
#include "platform/system/wintypes.h"

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
using HFILE = int;
constexpr HFILE HFILE_ERROR = -1;

// Opens or creates a file. Sharing flags and attributes are accepted and have
// no effect. INVALID_HANDLE_VALUE on failure, with GetLastError set
// (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
// ERROR_FILE_EXISTS for CREATE_NEW, ERROR_DISK_FULL, ...). The caller closes
// the handle with CloseHandle.
HANDLE CreateFile(LPCSTR path, DWORD access, DWORD shareMode, void* security, DWORD disposition,
                  DWORD attributes, HANDLE templateFile);

// Writes all bytes or fails; *written holds what was written (may be null).
BOOL WriteFile(HANDLE file, const void* data, DWORD size, LPDWORD written, void* overlapped);
BOOL ReadFile(HANDLE file, void* data, DWORD size, LPDWORD read, void* overlapped);

// The runtime library's create-or-truncate trio (_lcreat, _lwrite, _lclose).
HFILE _lcreat(LPCSTR path, int attribute);
UINT _lwrite(HFILE file, const void* data, UINT size);  // HFILE_ERROR as UINT on failure
HFILE _lclose(HFILE file);

// Copies a file. With failIfExists, the target is created exclusively
// (O_EXCL): an existing target is never replaced, even one that appears while
// the copy starts, and the call fails with ERROR_FILE_EXISTS. A copy that fails
// midway removes the partial target it created. Without failIfExists the target
// is replaced atomically (temporary file, then rename).
BOOL CopyFile(LPCSTR existing, LPCSTR target, BOOL failIfExists);

// Deletes a file (not a folder: ERROR_ACCESS_DENIED, as on Windows).
BOOL DeleteFile(LPCSTR path);

// Creates one folder; ERROR_ALREADY_EXISTS or ERROR_PATH_NOT_FOUND otherwise.
BOOL CreateDirectory(LPCSTR path, void* security);

// The runtime library's mkdir: 0 on success, -1 on failure (folder exists, no
// such drive or parent).
int _mkdir(LPCSTR path);

// FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_NORMAL or INVALID_FILE_ATTRIBUTES.
DWORD GetFileAttributes(LPCSTR path);

namespace orvane::files {

// True when anything of that name exists: a file (readable or not), a folder,
// a link, even a dangling one. A name that cannot exist (absent drive,
// overlong path, missing or unsearchable folder) is free, so a search ends and
// the write that follows fails with its own error instead of looping.
bool NameIsTaken(const std::string& windowsPath);

// Removes whatever holds the name when it is not a regular file (a link, a
// FIFO, a socket), so that a file the caller writes over by design is
// replaced instead of refused. Folders stay. Whether the name is free or a
// regular file now.
bool ReplaceableByFile(const std::string& windowsPath);

// The names of the regular files in a folder (Windows form), in byte order;
// empty when the folder cannot be read.
std::vector<std::string> FileNamesIn(const std::string& windowsFolder);

}  // namespace orvane::files
