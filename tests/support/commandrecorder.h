// A parent window for control tests: keeps every WM_COMMAND that reaches it,
// in arrival order, and their notification codes alongside.
#pragma once

#include <QWidget>
#include <vector>

#include "platform/ui/postedmessage.h"

namespace orvane::test {

class CommandRecorder : public QWidget {
 public:
  using QWidget::QWidget;

  std::vector<orvane::ui::Command> commands;
  std::vector<int> codes;

  void Clear() {
    commands.clear();
    codes.clear();
  }

 protected:
  bool event(QEvent* event) override {
    auto command = orvane::ui::CommandOf(event);
    if (!command) return QWidget::event(event);
    commands.push_back(*command);
    codes.push_back(command->notifyCode);
    return true;
  }
};

}  // namespace orvane::test
