// Starting programs from Windows-form command lines.
//
// A command line is split by the Windows rules (quotes, doubled quotes,
// backslashes before quotes) into an argument vector; the program's path is
// mapped to the host through the drive map, or, when it has no directory, looked
// up on PATH. The program is always started from that vector with posix_spawn,
// never through a shell, so no text in a file name or a registry value can
// become a command.
//
// An unquoted program path that holds blanks is resolved so that only the
// intended program can run: the longest blank-separated prefix that names an
// existing executable file is taken, ".exe" is never appended, and a shorter
// prefix is never taken when the text after it continues a path (as
// "Files\App\app.exe" continues "C:\Program"). A file planted at C:\Program or
// C:\Program.exe therefore never runs in place of C:\Program Files\App\app.exe.
// A token continues a path when it holds a "\" or "/", holds no ":" (drive
// paths and addresses do) and does not start like an argument ("-", "/", "\"
// or a quote). So an unquoted program followed by a relative path argument
// ("C:\Tools\x.exe data\in.txt") does not run: such a program must be quoted.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/system/handles.h"
#include "platform/system/winerror.h"
#include "platform/system/wintypes.h"

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
};
using STARTUPINFO = STARTUPINFOA;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD STILL_ACTIVE = 259;

namespace orvane::process {

// Splits a command line by the Windows rules. The first element is the program
// text as written (quotes removed); the others are the arguments. Leading
// blanks are skipped; a blank line gives no elements.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

struct ResolvedCommand {
  std::string hostProgram;        // host path of the program to run
  std::vector<std::string> argv;  // argv[0] is the program text, then the arguments
};

// Resolves a command line to the program and its arguments, as CreateProcess
// does with no application name. A quoted program is exactly the quoted path.
// On failure sets *error (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
// ERROR_BAD_FORMAT for a file that is not executable, ERROR_ACCESS_DENIED for a
// folder) and returns nothing. Where no candidate runs, one that exists but
// cannot run decides the error over an absent one.
std::optional<ResolvedCommand> ResolveCommandLine(const std::string& commandLine, LONG* error);

// Finds a program by name (no "/") on $PATH: the first executable regular
// file, or nothing. Empty PATH entries are skipped, not read as the current
// folder.
std::optional<std::string> FindOnPath(const std::string& name);

// Starts a host program from an argument vector without a shell (an empty
// vector passes the program path as argv[0]). Returns the process id, or -1
// with *error set to a Windows code. The caller must collect the child:
// CreateProcess and WinExec wrap it in a process handle, which
// WaitForSingleObject reaps, or CloseHandle reaps in the background.
int SpawnHost(const std::string& hostProgram, const std::vector<std::string>& argv, LONG* error);

}  // namespace orvane::process

// The standard-library subset of CreateProcess: no application name support
// beyond an exact program path (no PATH search), the environment inherited
// (a non-null environment block is refused with ERROR_INVALID_PARAMETER), the
// current directory inherited unless currentDirectory names a folder
// (ERROR_DIRECTORY otherwise). The attributes, handle inheritance, creation
// flags and startup information have no effect. On success pi->hProcess is a
// handle the caller closes with CloseHandle (hThread is null). Returns FALSE
// with GetLastError set on failure.
BOOL CreateProcess(LPCSTR applicationName, LPSTR commandLine, void* processAttributes,
                   void* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                   void* environment, LPCSTR currentDirectory, STARTUPINFO* startupInfo,
                   PROCESS_INFORMATION* pi);

// Waits for a process handle; INFINITE or a time-out in milliseconds. Any
// thread may call it. WAIT_OBJECT_0 when it ended, WAIT_TIMEOUT, or
// WAIT_FAILED for a bad handle (file handles included).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// The exit code of an ended process (STILL_ACTIVE while it runs; 128 + signal
// for a process killed by a signal). FALSE for a bad handle.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// Starts a command line without waiting; the show command has no effect.
// 33 on success, otherwise ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
// ERROR_ACCESS_DENIED, ERROR_BAD_FORMAT, or 0 for anything else (out of
// resources among it). The child is reaped in the background.
UINT WinExec(LPCSTR commandLine, UINT showCommand);
