#include "chat/chatlauncher.h"

#include <cstdio>
#include <cstring>

#include "platform/system/handles.h"
#include "platform/system/process.h"
#include "platform/system/registry.h"
#include "platform/ui/messagebox.h"

namespace chat {

namespace {

struct ChatProgram {
  const char* key;
  const char* value;
  const char* commandFormat;
  const char* notInstalled;
};

constexpr ChatProgram kPrograms[] = {
    {"SOFTWARE\\Microsoft\\Conferencing\\", "InstallationDirectory", "%s\\conf.exe",
     "NetMeeting is not installed !!!"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CUSEEM32.EXE", "Path",
     "%s\\cuseem32.exe", "CUSeeMe is not installed !!!"},
};

const ChatProgram* Program(int kind) {
  return kind == kNetMeeting || kind == kCUSeeMe ? &kPrograms[kind] : nullptr;
}

}  // namespace

int GetInstallPath(LPSTR buffer, DWORD size, int kind) {
  if (buffer && size) buffer[0] = '\0';
  const ChatProgram* program = Program(kind);
  if (!program || !buffer || size == 0) return 0;
  HKEY key = nullptr;
  if (RegOpenKey(HKEY_LOCAL_MACHINE, program->key, &key) != ERROR_SUCCESS) return 0;
  DWORD type = REG_NONE;
  DWORD read = size;
  LONG result =
      RegQueryValueEx(key, program->value, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &read);
  RegCloseKey(key);
  // An empty value (no terminator at all) would give a length of -1.
  if (result != ERROR_SUCCESS || type != REG_SZ || read == 0) {
    buffer[0] = '\0';
    return 0;
  }
  // A value stored without its terminating zero still has to end in the buffer.
  if (buffer[read - 1] != '\0') {
    if (read >= size) {
      buffer[0] = '\0';
      return 0;
    }
    buffer[read] = '\0';
    return static_cast<int>(read);
  }
  return static_cast<int>(read - 1);
}

void FormatChatCommandLine(int kind, LPCSTR folder, LPSTR commandLine) {
  const ChatProgram* program = Program(kind);
  if (!program) {
    commandLine[0] = '\0';
    return;
  }
  std::snprintf(commandLine, kCommandLineSize, program->commandFormat, folder ? folder : "");
}

LPCSTR NotInstalledText(int kind) {
  const ChatProgram* program = Program(kind);
  return program ? program->notInstalled : "";
}

BOOL RunChatProgram(int kind, HWND owner, bool applicationBox) {
  // Without an installation folder the command would be "\conf.exe" at the
  // drive's root: whatever sits there is not the chat program.
  char folder[kInstallPathSize];
  const bool installed = GetInstallPath(folder, sizeof folder, kind) != 0;
  char commandLine[kCommandLineSize];
  FormatChatCommandLine(kind, folder, commandLine);

  STARTUPINFO startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = 68;  // the size of the 32-bit structure
  PROCESS_INFORMATION process{};
  if (!installed || !CreateProcess(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process)) {
    if (applicationBox)
      AfxMessageBox(NotInstalledText(kind), MB_OK);
    else
      MessageBox(owner, NotInstalledText(kind), nullptr, MB_OK);
    return FALSE;
  }
  if (WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0) {
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
  }
  CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  return TRUE;
}

}  // namespace chat
