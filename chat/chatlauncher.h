// Finding an installed video-chat program in the registry and running it
// until it ends. Both programs hand the camera over this way; the window
// steps around it (halting the preview, minimising, restoring) are theirs.
#pragma once

#include "platform/system/wintypes.h"

namespace chat {

enum ChatKind : int {
  kNetMeeting = 0,
  kCUSeeMe = 1,
};

constexpr DWORD kInstallPathSize = 200;
constexpr DWORD kCommandLineSize = 260;

// The installation folder of the chat program of that kind, read from
// HKEY_LOCAL_MACHINE into buffer (size bytes). Returns the text's length, or 0
// when the key cannot be opened, the value cannot be read (absent, longer than
// the buffer) or is not of type REG_SZ; buffer is then "" when size allows.
int GetInstallPath(LPSTR buffer, DWORD size, int kind);

// The chat program's command line for an installation folder, into
// commandLine (kCommandLineSize bytes): folder + "\conf.exe" or
// "\cuseem32.exe", unquoted.
void FormatChatCommandLine(int kind, LPCSTR folder, LPSTR commandLine);

// The box text shown when the program cannot be started.
LPCSTR NotInstalledText(int kind);

// Looks the program up, starts it and waits for it to end; the exit code is
// read and not used. When it has no registry entry or cannot be started,
// shows NotInstalledText in a message box (OK button) owned by owner, starts
// nothing and returns FALSE; with applicationBox the text goes to the
// application's standard box instead (AfxMessageBox). GUI thread; blocks
// while the chat program runs, as the hand-over intends.
BOOL RunChatProgram(int kind, HWND owner, bool applicationBox = false);

}  // namespace chat
