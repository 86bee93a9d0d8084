// CSettingsDlg: the modal "Setting..." dialog (template 134). It edits copies
// of the recording settings and the save folders, which the main window's
// Set command takes over on OK, and opens the devices' own dialogs: the audio
// format chooser, the camera's property pages, and its capture format pages.
#pragma once

#include <string>

#include "platform/ui/dialog.h"

class CSettingsDlg : public orvane::ui::CDialog {
 public:
  static constexpr int IDD = 134;

  // Strips a file name left in the three save folders and copies the
  // settings into the members.
  explicit CSettingsDlg(QWidget* owner);

  // Moves data between the members and the controls, in the designed order;
  // reading stops at the first field that fails, says why and gives that
  // field the focus. FALSE then.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  // Members in the designed order.
  BOOL m_UseFrameRate;
  BOOL m_UseAudio;
  BOOL m_UseTimeLimit;
  int m_TimeLimit;
  int m_FrameRate;
  std::string m_PhotoDir;
  std::string m_VideoDir;
  int m_SecurityTime;
  std::string m_SecurityDir;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Browse(std::string* directory);
  void OnAudio();
  void OnSource();
  void OnFormat();
  // The refusal of the device buttons while sequential photos run.
  bool RefusedDuringSequentialPhotos();

  bool m_validating = false;
};
