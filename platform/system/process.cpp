#include "platform/system/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "platform/system/cmdlineparse.h"
#include "platform/system/errnomap.h"
#include "platform/system/files.h"
#include "platform/system/kernelobject.h"
#include "platform/system/spawn.h"
#include "platform/system/winpath.h"

extern char** environ;

namespace {

namespace cmdline = orvane::process::cmdline;
using orvane::process::ResolvedCommand;

bool IsMissing(LONG error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool HasDirectory(std::string_view text) {
  return text.find_first_of("\\/") != std::string_view::npos ||
         orvane::winpath::HasDriveLetter(text);
}

bool EndsWithExe(std::string_view text) {
  if (text.size() <= 4) return false;
  std::string_view tail = text.substr(text.size() - 4);
  return std::equal(tail.begin(), tail.end(), ".exe",
                    [](char a, char b) { return (a | 0x20) == b; });
}

// ERROR_SUCCESS when hostPath is a program we may start, otherwise why not.
LONG CheckProgram(const std::string& hostPath) {
  struct stat st;
  if (::stat(hostPath.c_str(), &st) != 0) {
    return errno == ENOENT ? orvane::system::MissingPathError(hostPath)
                           : orvane::system::ErrorFromErrno(errno);
  }
  if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
  if (::faccessat(AT_FDCWD, hostPath.c_str(), X_OK, AT_EACCESS) != 0) return ERROR_BAD_FORMAT;
  return ERROR_SUCCESS;
}

// The host program for one program text: a bare name comes from PATH, anything
// with a folder or a drive goes through the drive map.
std::optional<std::string> ResolveProgram(const std::string& text, LONG* error) {
  if (!HasDirectory(text)) {
    std::optional<std::string> found = orvane::process::FindOnPath(text);
    if (!found && EndsWithExe(text))
      found = orvane::process::FindOnPath(text.substr(0, text.size() - 4));
    if (!found) *error = ERROR_FILE_NOT_FOUND;
    return found;
  }
  std::optional<std::string> host = orvane::winpath::ToHost(text, error);
  if (!host) return std::nullopt;
  *error = CheckProgram(*host);
  if (*error != ERROR_SUCCESS) return std::nullopt;
  return host;
}

// Whether a token carries on the path before it ("Files\App\app.exe" after
// "C:\Program") rather than starting an argument ("-x", "/x", "C:\x",
// "http://x", a quoted text). A Windows path component holds no colon.
bool ContinuesPath(std::string_view token) {
  if (token.find_first_of("\\/") == std::string_view::npos) return false;
  if (token.find(':') != std::string_view::npos) return false;
  char first = token.front();
  return first != '-' && first != '/' && first != '\\' && first != '"';
}

ResolvedCommand MakeCommand(std::string program, std::string host, std::string_view rest) {
  ResolvedCommand command{std::move(host), {std::move(program)}};
  for (std::string& arg : cmdline::SplitArguments(rest)) command.argv.push_back(std::move(arg));
  return command;
}

std::optional<ResolvedCommand> ResolveUnquoted(std::string_view text, std::size_t start,
                                               LONG* error) {
  // Candidate program texts end where a blank run starts. No file name holds a
  // quote, so none reaches past the first token that has one.
  std::vector<std::string_view> tokens;
  for (std::size_t i = start; i < text.size();) {
    std::size_t end = i;
    while (end < text.size() && !cmdline::IsBlank(text[end])) ++end;
    tokens.push_back(text.substr(i, end - i));
    if (tokens.back().find('"') != std::string_view::npos) break;
    i = cmdline::SkipBlanks(text, end);
  }
  LONG missing = ERROR_SUCCESS;
  LONG refused = ERROR_SUCCESS;
  for (std::size_t k = tokens.size(); k-- > 0;) {
    if (tokens[k].find('"') != std::string_view::npos) continue;
    if (k + 1 < tokens.size() && ContinuesPath(tokens[k + 1])) continue;
    std::size_t end = static_cast<std::size_t>(tokens[k].data() + tokens[k].size() - text.data());
    std::string program(text.substr(start, end - start));
    LONG why = ERROR_SUCCESS;
    if (std::optional<std::string> host = ResolveProgram(program, &why))
      return MakeCommand(std::move(program), std::move(*host), text.substr(end));
    // A file that is there but cannot run explains more than an absent one.
    LONG& slot = IsMissing(why) ? missing : refused;
    if (slot == ERROR_SUCCESS) slot = why;
  }
  *error = refused != ERROR_SUCCESS   ? refused
           : missing != ERROR_SUCCESS ? missing
                                      : ERROR_FILE_NOT_FOUND;
  return std::nullopt;
}

// An application name is taken as it is: no PATH, no prefix search.
std::optional<ResolvedCommand> ResolveApplication(const std::string& application,
                                                  const char* commandLine, LONG* error) {
  std::optional<std::string> host = orvane::winpath::ToHost(application, error);
  if (!host) return std::nullopt;
  *error = CheckProgram(*host);
  if (*error != ERROR_SUCCESS) return std::nullopt;
  ResolvedCommand command{std::move(*host), {}};
  if (commandLine) command.argv = orvane::process::SplitCommandLine(commandLine);
  if (command.argv.empty()) command.argv.push_back(application);
  return command;
}

KernelObject* ProcessObject(HANDLE handle) {
  KernelObject* object = orvane::kernel::Lookup(handle);
  return object && object->kind == KernelObject::Kind::Process ? object : nullptr;
}

// Collects the child if it has ended; true once it is reaped. Called with
// object->lock held.
bool Collect(KernelObject* object) {
  if (object->reaped) return true;
  int status = 0;
  pid_t done;
  while ((done = ::waitpid(object->pid, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  if (done == object->pid) {
    object->reaped = true;
    object->exitCode = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  } else if (done < 0 && errno == ECHILD) {
    // Collected behind our back (SIGCHLD ignored): it has ended, its status is lost.
    object->reaped = true;
    object->exitCode = 0;
  }
  return object->reaped;
}

// Blocks until the child has ended without collecting it, so that the lock is
// not held while waiting and GetExitCodeProcess stays answerable meanwhile.
bool AwaitExit(int pid) {
  siginfo_t info;
  while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0) {
    if (errno == ECHILD) return true;  // already collected; Collect will tell
    if (errno != EINTR) return false;
  }
  return true;
}

UINT WinExecFailure(LONG error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_FORMAT: return static_cast<UINT>(error);
    case ERROR_FILENAME_EXCED_RANGE: return ERROR_PATH_NOT_FOUND;
    default: return 0;
  }
}

}  // namespace

namespace orvane::process {

std::optional<ResolvedCommand> ResolveCommandLine(const std::string& commandLine, LONG* error) {
  LONG ignored;
  if (!error) error = &ignored;
  try {
    std::string_view text(commandLine);
    std::size_t start = cmdline::SkipBlanks(text, 0);
    if (start == text.size()) {
      *error = ERROR_FILE_NOT_FOUND;
      return std::nullopt;
    }
    if (text[start] != '"') return ResolveUnquoted(text, start, error);
    // A quoted program is exactly the path between the quotes, whatever
    // follows the closing one; argv[0] keeps the runtime's reading of it.
    std::size_t end = 0;
    std::string program = cmdline::ParseProgram(text, start, &end);
    std::size_t close = text.find('"', start + 1);
    std::string quoted(text.substr(
        start + 1, close == std::string_view::npos ? std::string_view::npos : close - start - 1));
    std::optional<std::string> host = ResolveProgram(quoted, error);
    if (!host) return std::nullopt;
    return MakeCommand(std::move(program), std::move(*host), text.substr(end));
  } catch (...) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return std::nullopt;
  }
}

std::optional<std::string> FindOnPath(const std::string& name) {
  try {
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
      std::size_t colon = std::min(dirs.find(':'), dirs.size());
      std::string_view dir = dirs.substr(0, colon);
      dirs.remove_prefix(std::min(colon + 1, dirs.size()));
      // An empty entry means the current folder to a shell; never search it.
      if (dir.empty()) continue;
      std::string candidate = std::string(dir) + "/" + name;
      if (CheckProgram(candidate) == ERROR_SUCCESS) return candidate;
    }
  } catch (...) {
  }
  return std::nullopt;
}

int SpawnHostIn(const std::string& hostProgram, const std::vector<std::string>& argv,
                const std::optional<std::string>& hostDirectory, LONG* error) {
  LONG ignored;
  if (!error) error = &ignored;
  try {
    std::vector<char*> args;
    if (argv.empty()) args.push_back(const_cast<char*>(hostProgram.c_str()));
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    // The child starts with nothing blocked and default signal dispositions,
    // whatever this process set for itself (SIGPIPE ignored, say).
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) {
      *error = ERROR_NOT_ENOUGH_MEMORY;
      return -1;
    }
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (hostDirectory) posix_spawn_file_actions_addchdir_np(&actions, hostDirectory->c_str());

    pid_t pid = -1;
    int rc = posix_spawn(&pid, hostProgram.c_str(), &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc == 0) return pid;
    *error = rc == ENOENT   ? system::MissingPathError(hostProgram)
             : rc == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY
                            : system::ErrorFromErrno(rc);
  } catch (...) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
  }
  return -1;
}

int SpawnHost(const std::string& hostProgram, const std::vector<std::string>& argv, LONG* error) {
  return SpawnHostIn(hostProgram, argv, std::nullopt, error);
}

}  // namespace orvane::process

BOOL CreateProcess(LPCSTR applicationName, LPSTR commandLine, void* /*processAttributes*/,
                   void* /*threadAttributes*/, BOOL /*inheritHandles*/, DWORD /*creationFlags*/,
                   void* environment, LPCSTR currentDirectory, STARTUPINFO* /*startupInfo*/,
                   PROCESS_INFORMATION* pi) {
  try {
    if (!pi || (!applicationName && !commandLine) || environment) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    LONG error = ERROR_SUCCESS;
    std::optional<orvane::process::ResolvedCommand> command =
        applicationName ? ResolveApplication(applicationName, commandLine, &error)
                        : orvane::process::ResolveCommandLine(commandLine, &error);
    if (!command) {
      SetLastError(error);
      return FALSE;
    }
    std::optional<std::string> directory;
    if (currentDirectory) {
      directory = orvane::winpath::ToHost(currentDirectory);
      struct stat st;
      if (!directory || ::stat(directory->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
      }
    }
    int pid = orvane::process::SpawnHostIn(command->hostProgram, command->argv, directory, &error);
    if (pid < 0) {
      SetLastError(error);
      return FALSE;
    }
    pi->hProcess = orvane::kernel::NewProcessHandle(pid);
    pi->hThread = nullptr;
    pi->dwProcessId = static_cast<DWORD>(pid);
    pi->dwThreadId = 0;
    return TRUE;
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  KernelObject* object = ProcessObject(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    {
      std::lock_guard guard(object->lock);
      if (Collect(object)) return WAIT_OBJECT_0;
    }
    if (milliseconds == INFINITE) {
      if (!AwaitExit(object->pid)) {
        SetLastError(ERROR_GEN_FAILURE);
        return WAIT_FAILED;
      }
      continue;
    }
    Clock::time_point now = Clock::now();
    if (now >= deadline) return WAIT_TIMEOUT;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(16));
  }
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  KernelObject* object = ProcessObject(process);
  if (!object || !exitCode) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard guard(object->lock);
  *exitCode = Collect(object) ? static_cast<DWORD>(object->exitCode) : STILL_ACTIVE;
  return TRUE;
}

UINT WinExec(LPCSTR commandLine, UINT /*showCommand*/) {
  try {
    LONG error = ERROR_FILE_NOT_FOUND;
    std::optional<orvane::process::ResolvedCommand> command;
    if (commandLine) command = orvane::process::ResolveCommandLine(commandLine, &error);
    int pid =
        command ? orvane::process::SpawnHost(command->hostProgram, command->argv, &error) : -1;
    if (pid < 0) return WinExecFailure(error);
    // Nobody waits for this child: a closed handle reaps it in the background.
    CloseHandle(orvane::kernel::NewProcessHandle(pid));
    return 33;
  } catch (...) {
    return 0;
  }
}
