// A static control with SS_PATHELLIPSIS: one line, and a path too long for
// it loses letters in the middle, so its drive and its last folder stay in
// sight. The whole path stays its text, its tooltip and its accessible name.
#pragma once

#include <QLabel>

namespace orvane::ui {

class PathLabel : public QLabel {
 public:
  explicit PathLabel(QWidget* parent = nullptr);

  // The text as it is drawn: whole, or shortened in the middle.
  QString shownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QRect TextRoom() const;
};

}  // namespace orvane::ui
