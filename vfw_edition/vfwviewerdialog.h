// VfwViewerDialog: Tarrow's main window (template 102), a skinned, shaped
// window with the live picture of the capture window in its middle, seven
// bitmap buttons, four hover buttons on the option panel, the recording
// clock, and the commands behind them. Run modally by VfwViewerApp.
//
// The window draws its own frame: it is frameless, shaped by its region, and
// its controls live in a client area 3 pixels in and 22 down, where the
// skin was drawn around a caption.
//
// Split by job: this file's .cpp holds start-up, the shape, the panel, the
// tooltips and the way out; vfwviewercommands.cpp recording, photos, the
// clock and the capture files window; vfwviewermenus.cpp the Record and Link
// pop-ups, save directories, mail and help.
#pragma once

#include <QIcon>
#include <QPointer>
#include <array>
#include <string>

#include "controls/bitmapbutton.h"
#include "controls/hoverbitmapbutton.h"
#include "controls/linkstatic.h"
#include "platform/ui/dialog.h"
#include "platform/ui/tooltipctrl.h"
#include "vfw_edition/capturefilesdlg.h"

class VfwViewerDialog : public orvane::ui::CDialog {
 public:
  static constexpr int IDD = 102;
  static constexpr UINT_PTR kClockTimer = 3;

  VfwViewerDialog();
  ~VfwViewerDialog() override;

  CaptureFilesDialog* filesWindow() const { return m_FilesWindow.data(); }
  QWidget* client() const { return m_client; }
  const std::string& timeText() const { return m_TimeText; }

  // The maker's web site, opened by the ZENTORA item.
  static constexpr char kMakerSite[] = "https://lumitrex.example/";

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;  // the exit button
  void done(int result) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Commands, in the order of the message map.
  void OnStart();
  void OnStop();
  void OnSnap();
  void OnOption(bool wide);
  void OnRecordMenu();
  void OnLinkMenu();
  void OnSaveDirs();
  void OnMail();
  void OnHelp();
  void OnTimer(UINT_PTR id);
  void OnDestroy();

  static void SetRecordingCaptureParams();
  void ShowSystemMenu(const QPoint& at);
  static bool IsSystemMenuKey(const QKeyEvent* event);
  void LaunchChatProgram(int kind);
  void OpenFilesWindow();
  void ListFile(const std::string& path, const std::string& thumbnailPath);
  void ResetClock();
  void RefreshClock();
  void EnableButton(int id, bool enabled);
  // Disables and enables a hover button again: it shows its normal face.
  void Rearm(int id);
  void LoadButtons();
  void AddToolTips();
  void RepairUnfinishedRecordings();

  QWidget* m_client = nullptr;
  std::string m_TimeText = "00:00";
  int m_Minutes = 0;
  int m_Seconds = 0;
  std::string m_ThumbnailPath;
  // The recording running now: its file and the limit it started with, so
  // that changing options or folders meanwhile cannot lose it.
  std::string m_RecordingFile;
  bool m_RecordingLimited = false;
  int m_RecordingLimit = 0;
  // A recording the capture window runs: the clock watches for its end.
  bool m_RecordingWatched = false;
  QPointer<CaptureFilesDialog> m_FilesWindow;
  QIcon m_hIcon;
  CToolTipCtrl m_ToolTip;
  std::array<CBitmapButton, 7> m_Buttons;
  std::array<CHoverBitmapButton, 4> m_HoverButtons;
  CLinkStatic m_WebLink;
  CLinkStatic m_MailLink;
  bool m_destroyed = false;
};

extern const char kThumbnailPath[];
extern const char kFormatTooWide[];
extern const char kZentoraNotice[];
