// CLinkStatic: opens a target ("mailto:", a web address) with the program the
// desktop associates with it, falls back to the registered ".htm" handler when
// the shell cannot, and tells the user in words why it failed.
//
// Owners use it without a window of its own: SetLinkTarget, SetUnderline,
// OpenLink. A label can be attached to show the link; then the underline and
// visited flags change how it looks.
#pragma once

#include <string>

#include "platform/system/registry.h"
#include "platform/system/wintypes.h"

class QLabel;

class CLinkStatic {
 public:
  // The registry's command text holds at most this much, and the fall-back's
  // command line twice that.
  static constexpr DWORD kValueBufferSize = 260;
  static constexpr DWORD kCommandBufferSize = 2 * 260;

  CLinkStatic() = default;

  void SetLinkTarget(const std::string& target) { m_target = target; }
  void SetUnderline(bool underline);
  void SetVisited(bool visited);
  // Opens the target; on failure beeps and shows why. GUI thread; blocks
  // until the shell or the fall-back program start has answered.
  void OpenLink();

  // Opens target through the shell, then through the ".htm" handler's open
  // command. Returns the launch result: above 32 on success.
  static HINSTANCE ShellOpen(LPCSTR target, int showCommand);
  // Shows the box that explains a launch result of 32 or less.
  static void ReportOpenError(int code);
  // The text ReportOpenError shows for code.
  static std::string OpenErrorText(int code);
  // Reads the default value of root\subKey into out (at least
  // kValueBufferSize bytes). 0, or the registry's error code; a default
  // value that cannot be read (too long, not text) is an error too.
  static LONG QueryRegDefault(HKEY root, LPCSTR subKey, LPSTR out);

  // Shows the link in label (not owned); null detaches.
  void Attach(QLabel* label);

  const std::string& target() const { return m_target; }
  bool visited() const { return m_visited; }
  bool underline() const { return m_underline; }

 private:
  void Repaint();

  std::string m_target;
  bool m_visited = false;
  bool m_underline = true;
  QLabel* m_window = nullptr;
};
