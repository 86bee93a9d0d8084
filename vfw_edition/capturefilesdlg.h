// CaptureFilesDialog: Tarrow's modeless window of this run's photos and
// recordings (template 198), a strip of 120 by 120 thumbnails with View,
// Save as copy, Delete and Delete all. It lives from the main window's first
// listed file until the user closes it (the close button, Escape or the
// window's own close); closing calls the owner's closed handler first, so
// the owner never holds a closed window.
#pragma once

#include <functional>
#include <string>

#include "controls/capturedfiles.h"
#include "platform/ui/dialog.h"

class CaptureFilesDialog : public orvane::ui::CDialog {
 public:
  static constexpr int IDD = 198;
  static constexpr int IDC_PICSTRIP = 1234;

  // closed runs as the window closes; the window then deletes itself.
  CaptureFilesDialog(QWidget* owner, std::function<void()> closed);

  // Lists a new file: a recording with the still at thumbnailPath (deleted
  // once loaded), a photo showing itself (thumbnailPath empty).
  void AddCapturedFile(const std::string& path, const std::string& thumbnailPath);

  CTitledPicsWnd* strip() const { return m_Files.strip(); }
  int thumbnailCount() const { return m_Files.count(); }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;  // the close button
  void OnCancel() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void EnableFileButtons(bool enabled);
  void Close();

  CapturedFiles m_Files;
  std::function<void()> m_closed;
  bool m_closing = false;
};
