// The prompt before a recording begins: "Start Capture" and an Ok button.
// Ok ends it with IDOK, Esc with IDCANCEL; it has nothing else to do.
#pragma once

#include "platform/ui/dialog.h"

class CStartCaptureDlg : public orvane::ui::CDialog {
 public:
  static constexpr int IDD = 135;
  explicit CStartCaptureDlg(QWidget* parent) : CDialog(IDD, parent) {}
};
