#include "platform/ui/postedmessage.h"

namespace orvane::ui {

std::optional<Command> CommandOf(const QEvent* event) {
  if (!event || event->type() != WindowMessageEvent::EventType()) return std::nullopt;
  const auto* message = static_cast<const WindowMessageEvent*>(event);
  if (message->message() != WM_COMMAND) return std::nullopt;
  const WPARAM w = message->wParam();
  return Command{static_cast<int>(w & 0xFFFF), static_cast<int>((w >> 16) & 0xFFFF),
                 reinterpret_cast<HWND>(message->lParam())};
}

WPARAM CommandWParam(int controlId, int notifyCode) {
  return (static_cast<WPARAM>(notifyCode) & 0xFFFF) << 16 |
         (static_cast<WPARAM>(controlId) & 0xFFFF);
}

}  // namespace orvane::ui

BOOL PostCommand(HWND target, int controlId, int notifyCode, HWND sender) {
  return PostMessage(target, WM_COMMAND, orvane::ui::CommandWParam(controlId, notifyCode),
                     reinterpret_cast<LPARAM>(sender));
}

LRESULT SendCommand(HWND target, int controlId, int notifyCode, HWND sender) {
  return SendMessage(target, WM_COMMAND, orvane::ui::CommandWParam(controlId, notifyCode),
                     reinterpret_cast<LPARAM>(sender));
}
