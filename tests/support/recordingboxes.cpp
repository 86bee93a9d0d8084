#include "tests/support/recordingboxes.h"

namespace orvane::test {

std::vector<std::string> RecordingMessageBoxes::texts() const {
  std::vector<std::string> out;
  for (const Event& e : m_events)
    if (!e.beep) out.push_back(e.box.text);
  return out;
}

std::vector<orvane::ui::MessageBoxCall> RecordingMessageBoxes::boxes() const {
  std::vector<orvane::ui::MessageBoxCall> out;
  for (const Event& e : m_events)
    if (!e.beep) out.push_back(e.box);
  return out;
}

int RecordingMessageBoxes::beeps() const {
  int n = 0;
  for (const Event& e : m_events) n += e.beep ? 1 : 0;
  return n;
}

int RecordingMessageBoxes::OnMessageBox(const orvane::ui::MessageBoxCall& call) {
  m_events.push_back(Event{false, 0, call});
  if (!m_answers.empty()) {
    int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
  }
  if (m_handler) return m_handler(call);
  return orvane::ui::DefaultButton(call.style);
}

void RecordingMessageBoxes::OnBeep(UINT type) { m_events.push_back(Event{true, type, {}}); }

}  // namespace orvane::test
