// A message-box observer for tests: records every box and beep in order and
// answers each box from a queue, a handler, or with its default button.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/messagebox.h"

namespace orvane::test {

class RecordingMessageBoxes : public orvane::ui::MessageBoxObserver {
 public:
  struct Event {
    bool beep = false;
    UINT beepType = 0;
    orvane::ui::MessageBoxCall box;  // when not a beep
  };

  RecordingMessageBoxes() : m_scope(this) {}

  // The next boxes answer with these, in order.
  void Answer(std::initializer_list<int> answers) { m_answers.insert(m_answers.end(), answers); }
  // Called for boxes once the queue is empty; returns the answer.
  void OnBox(std::function<int(const orvane::ui::MessageBoxCall&)> handler) {
    m_handler = std::move(handler);
  }

  const std::vector<Event>& events() const { return m_events; }
  // The texts of the boxes shown so far, in order.
  std::vector<std::string> texts() const;
  std::vector<orvane::ui::MessageBoxCall> boxes() const;
  int beeps() const;
  void clear() { m_events.clear(); }

  int OnMessageBox(const orvane::ui::MessageBoxCall& call) override;
  void OnBeep(UINT type) override;

 private:
  std::vector<Event> m_events;
  std::deque<int> m_answers;
  std::function<int(const orvane::ui::MessageBoxCall&)> m_handler;
  orvane::ui::ScopedMessageBoxObserver m_scope;
};

}  // namespace orvane::test
