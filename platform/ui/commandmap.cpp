#include "platform/ui/commandmap.h"

#include "platform/ui/postedmessage.h"

namespace orvane::ui {

CommandMap::CommandMap(QObject* window, std::initializer_list<Entry> entries)
    : QObject(window), m_window(window), m_entries(entries) {
  window->installEventFilter(this);
}

bool CommandMap::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_window) return false;
  const std::optional<Command> command = CommandOf(event);
  if (!command) return false;
  for (const Entry& entry : m_entries) {
    if (entry.controlId == command->controlId && entry.notifyCode == command->notifyCode) {
      // A copy: the handler may destroy the window and this map with it.
      std::function<void()> handler = entry.handler;
      if (handler) handler();
      return true;
    }
  }
  return false;
}

}  // namespace orvane::ui
