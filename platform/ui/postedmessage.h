// Command notifications between windows: WM_COMMAND with the control id in
// the low word of wParam, the notification code in the high word and the
// control's window in lParam, carried as a WindowMessageEvent.
//
// A posted command is queued and handled once the event loop runs, after the
// poster's own handler has returned; a sent one is handled before
// SendCommand returns. Windows receive commands through a CommandMap
// (platform/ui/commandmap.h) or decode them with CommandOf in event().
#pragma once

#include <QEvent>
#include <optional>

#include "platform/system/wintypes.h"
#include "platform/ui/windowmessage.h"

namespace orvane::ui {

struct Command {
  int controlId;
  int notifyCode;
  // The control's window as it was when the command was issued; compare it,
  // do not use it: a posted command can outlive its sender.
  HWND sender;
};

// The command a WM_COMMAND message carries; nothing for any other event.
std::optional<Command> CommandOf(const QEvent* event);

// wParam of a command: id and code keep their low 16 bits, as on Windows.
WPARAM CommandWParam(int controlId, int notifyCode);

}  // namespace orvane::ui

// Queues WM_COMMAND for target. FALSE for a null target. Any thread; a
// command still queued when target is destroyed is dropped.
BOOL PostCommand(HWND target, int controlId, int notifyCode, HWND sender);

// Delivers WM_COMMAND to target at once and returns its result; 0 for a
// null target. Target's thread only.
LRESULT SendCommand(HWND target, int controlId, int notifyCode, HWND sender);
