// CaptureOptionsDialog: the time limit, sound and frame rate of Tarrow's
// recordings (template 141), checked as the user types. The caller copies
// the four members back into RecordOptions when it ends with IDOK.
#pragma once

#include "platform/ui/dialog.h"
#include "vfw_edition/recordoptions.h"

class CaptureOptionsDialog : public orvane::ui::CDialog {
 public:
  static constexpr int IDD = 141;
  // The checks' bounds: a frame rate Start can divide by, a time limit that
  // the clock can reach.
  static constexpr int kMinFrameRate = 1, kMaxFrameRate = 30;
  static constexpr int kMinSeconds = 1, kMaxSeconds = 9999;

  CaptureOptionsDialog(const RecordingOptions& options, QWidget* parent);

  // Moves data between the members and the controls; reading stops at the
  // first edit that fails, says why and gives that edit the focus.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  int m_TimeLimitChoice;  // 0: no limit (1030), 1: a limit (1031)
  int m_Seconds;
  int m_AudioChoice;  // 0: no sound (1054), 1: sound (1055)
  short m_FrameRate;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  void OnTimeLimitChoice(int choice);
  void OnAudioChoice(int choice);

  bool m_validating = false;
};

extern const char kEnterAnInteger[];
extern const char kEnterAnIntegerBetween[];  // "%1" and "%2" stand for the bounds
