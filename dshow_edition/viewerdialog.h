// ViewerDialog: Velbin's main window, the skinned control panel that hangs
// under the video frame window: 13 bitmap buttons, the recording clock drawn
// from digit bitmaps, the picture strip of this run's files, and the commands
// behind them. Run modally by ViewerApp; it owns the video frame window.
//
// The window class is split by job: this file's .cpp holds construction,
// initialisation, painting, tooltips and shut-down; viewerfiles.cpp the
// captured-file commands and mail; viewercapture.cpp the capture commands.
#pragma once

#include <QPixmap>
#include <QRect>
#include <array>
#include <string>
#include <vector>

#include "controls/bitmapbutton.h"
#include "controls/capturedfiles.h"
#include "controls/linkstatic.h"
#include "controls/titledpicswnd.h"
#include "platform/ui/dialog.h"
#include "platform/ui/tooltipctrl.h"

class CVideoFrameWnd;

// The command-state flags, process-wide.
extern BOOL Recording;
extern BOOL SequentialPhoto;

class ViewerDialog : public orvane::ui::CDialog {
 public:
  static constexpr int IDD = 102;
  static constexpr int IDC_PICSTRIP = 1234;
  static constexpr int kMaxThumbnails = 255;

  ViewerDialog();
  ~ViewerDialog() override;

  // A new file of this run into the strip: a recording with the still taken
  // at its start (thumbnailPath, deleted once loaded), a photo showing
  // itself (thumbnailPath empty). FALSE when the strip is full.
  BOOL AddCapturedFile(const std::string& path, const std::string& thumbnailPath);

  CTitledPicsWnd* strip() const { return m_Files.strip(); }
  int thumbnailCount() const { return m_Files.count(); }

 protected:
  BOOL OnInitDialog() override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void done(int result) override;

 private:
  bool event(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

  // Commands of the message map, in its order.
  void OnStart();
  void OnStop();
  void OnPhoto();
  void OnSet();
  void OnSecurity();
  void OnTimer(UINT_PTR id);
  void OnSee();
  void OnRename();
  void OnDelete();
  void OnDeleteAll();
  void OnMail();
  void OnChat();
  void LaunchChatProgram(int kind);
  void OnAbout();
  // WM_CLOSE and WM_DESTROY.
  void OnClose();
  void OnDestroy();
  void ShutDownEngine();

  void OnClockTick();
  HWND FrameWindow() const;
  void EnableButton(int id, bool enabled);
  void ResetClock();
  void RebuildPreview();
  void ListRecording();

  void LoadButtons();
  void BindKeys();
  void AddToolTips();
  void RepairUnfinishedRecordings();
  std::string SecurityToolTip() const;

  // Members in the designed order.
  std::array<CBitmapButton, 13> m_Buttons;
  CToolTipCtrl m_ToolTip;
  QWidget* m_PictureFrame = nullptr;  // control 1021: bound, with no other use
  QRect m_WindowRect;
  std::string m_ThumbnailPath;
  CLinkStatic m_MailLink;
  int m_Seconds = 0;
  int m_Minutes = 0;
  QIcon m_hIcon;
  // This run's files in the strip, with their thumbnails.
  CapturedFiles m_Files;

  bool m_destroyed = false;
};
