#include "controls/linkstatic.h"

#include <QLabel>
#include <cstdio>
#include <cstring>

#include "platform/system/process.h"
#include "platform/system/shell.h"
#include "platform/ui/messagebox.h"

namespace {

const char* KnownErrorText(int code) {
  switch (code) {
    case 0: return "The operating system is out\nof memory or resources.";
    case ERROR_FILE_NOT_FOUND: return "The specified file was not found.";
    case ERROR_PATH_NOT_FOUND: return "The specified path was not found.";
    case SE_ERR_ACCESSDENIED: return "The operating system denied\naccess to the specified file.";
    case SE_ERR_OOM: return "There was not enough memory to complete the operation.";
    case ERROR_BAD_FORMAT:
      return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case SE_ERR_SHARE: return "A sharing violation occurred. ";
    case SE_ERR_ASSOCINCOMPLETE: return "The filename association is\nincomplete or invalid.";
    case SE_ERR_DDETIMEOUT:
      return "The DDE transaction could not\nbe completed because the request timed out.";
    case SE_ERR_DDEFAIL: return "The DDE transaction failed.";
    case SE_ERR_DDEBUSY:
      return "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
             "being processed.";
    case SE_ERR_NOASSOC:
      return "There is no application associated\nwith the given filename extension.";
    case SE_ERR_DLLNOTFOUND: return "The specified dynamic-link library was not found.";
    default: return nullptr;
  }
}

bool Succeeded(HINSTANCE result) { return static_cast<UINT_PTR>(result) > 32; }

}  // namespace

void CLinkStatic::SetUnderline(bool underline) {
  m_underline = underline;
  Repaint();
}

void CLinkStatic::SetVisited(bool visited) {
  m_visited = visited;
  Repaint();
}

void CLinkStatic::Attach(QLabel* label) {
  m_window = label;
  Repaint();
}

void CLinkStatic::Repaint() {
  if (!m_window) return;
  QFont font = m_window->font();
  font.setUnderline(m_underline);
  m_window->setFont(font);
  // The colours browsers use for new and visited links.
  m_window->setStyleSheet(m_visited ? "color: #800080;" : "color: #0000ff;");
  m_window->update();
}

void CLinkStatic::OpenLink() {
  HINSTANCE result = ShellOpen(m_target.c_str(), SW_SHOW);
  m_visited = Succeeded(result);
  if (m_visited) {
    SetVisited(true);
  } else {
    MessageBeep(MB_ICONEXCLAMATION);
    ReportOpenError(static_cast<int>(result));
  }
  Repaint();
}

HINSTANCE CLinkStatic::ShellOpen(LPCSTR target, int showCommand) {
  HINSTANCE result = ShellExecute(nullptr, "open", target, nullptr, nullptr, showCommand);
  if (Succeeded(result)) return result;

  char key[kCommandBufferSize];
  if (QueryRegDefault(HKEY_CLASSES_ROOT, ".htm", key) != ERROR_SUCCESS) return result;
  std::strcat(key, "\\shell\\open\\command");  // a 259-byte name plus 19 still fits
  char command[kCommandBufferSize];
  if (QueryRegDefault(HKEY_CLASSES_ROOT, key, command) != ERROR_SUCCESS) return result;

  // The argument placeholder goes, with its quotes when it has them. UTF-8
  // bytes of other characters never equal these ASCII ones, so a byte search
  // cannot cut a character in half.
  if (char* quoted = std::strstr(command, "\"%1\""))
    *quoted = '\0';
  else if (char* bare = std::strstr(command, "%1"))
    *bare = '\0';

  // A handler without a program is no handler: report the shell's own answer
  // rather than a failed start of the target itself.
  if (command[std::strspn(command, " \t")] == '\0') return result;
  // A command line that does not fit is not cut: a shortened target could open
  // something other than what the user asked for.
  const std::size_t target_length = target ? std::strlen(target) : 0;
  if (std::strlen(command) + 1 + target_length > kCommandBufferSize - 1) return result;
  std::strcat(command, " ");
  if (target) std::strcat(command, target);
  return static_cast<HINSTANCE>(WinExec(command, static_cast<UINT>(showCommand)));
}

std::string CLinkStatic::OpenErrorText(int code) {
  std::string text = "Unable to open hyperlink:\n\n";
  if (const char* known = KnownErrorText(code)) {
    text += known;
  } else {
    char unknown[64];
    std::snprintf(unknown, sizeof unknown, "Unknown Error (%d) occurred.", code);
    text += unknown;
  }
  return text;
}

void CLinkStatic::ReportOpenError(int code) {
  AfxMessageBox(OpenErrorText(code).c_str(), MB_ICONEXCLAMATION | MB_OK);
}

LONG CLinkStatic::QueryRegDefault(HKEY root, LPCSTR subKey, LPSTR out) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyEx(root, subKey, 0, KEY_QUERY_VALUE, &key);
  if (result != ERROR_SUCCESS) return result;
  char value[kValueBufferSize];
  LONG size = sizeof value;
  result = RegQueryValue(key, nullptr, value, &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return result;
  value[sizeof value - 1] = '\0';
  std::strcpy(out, value);
  return ERROR_SUCCESS;
}
