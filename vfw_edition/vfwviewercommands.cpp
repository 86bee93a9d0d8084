// VfwViewerDialog's recording, photo and clock commands, and the capture
// files window they fill.
#include <QWidget>
#include <cstdio>

#include "controls/photofailure.h"
#include "controls/thumbnailfile.h"
#include "platform/system/files.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/windowtimer.h"
#include "vfw_edition/capturedriver.h"
#include "vfw_edition/capturefilesdlg.h"
#include "vfw_edition/recordoptions.h"
#include "vfw_edition/vfwviewerdialog.h"

const char kThumbnailFolder[] = "c:\\Lumitrex Images\\video\\";

namespace {
constexpr int IDC_TIME = 1017;
}

void VfwViewerDialog::ResetClock() {
  m_Minutes = 0;
  m_Seconds = 0;
  RefreshClock();
}

void VfwViewerDialog::RefreshClock() {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", m_Minutes, m_Seconds);
  m_TimeText = text;
  if (QWidget* time = orvane::ui::GetDlgItem(this, IDC_TIME))
    time->setProperty("text", QString::fromStdString(m_TimeText));
}

// The values every recording (and the warm-up sequence) runs with; the
// rate, the limit and the sound are set by each.
void VfwViewerDialog::SetRecordingCaptureParams() {
  CaptureParams.fMakeUserHitOKToCapture = 0;
  CaptureParams.wPercentDropForError = 10;
  CaptureParams.fYield = 1;
  CaptureParams.dwIndexSize = 1000;
  CaptureParams.wChunkGranularity = 0;
  CaptureParams.fUsingDOSMemory = 1;
  CaptureParams.wNumVideoRequested = 32;
  CaptureParams.wNumAudioRequested = 10;
  CaptureParams.vKeyAbort = 0;
  CaptureParams.fAbortLeftMouse = 1;
  CaptureParams.fAbortRightMouse = 1;
  CaptureParams.fMCIControl = 0;
  CaptureParams.fStepCaptureAt2x = 0;
  CaptureParams.wStepCaptureAverageFrames = 3;
  CaptureParams.dwAudioBufferSize = 10240;
  CaptureParams.AVStreamMaster = 0;
}

void VfwViewerDialog::OnStart() {
  EnableButton(1001, false);
  EnableButton(1002, RecordOptions.UseTimeLimit == 0);
  m_ThumbnailPath = ThumbnailFileIn(kThumbnailFolder);
  SendCaptureMessage(WM_CAP_FILE_SAVEDIBA, 0, reinterpret_cast<LPARAM>(m_ThumbnailPath.c_str()));
  if (QWidget* time = orvane::ui::GetDlgItem(this, IDC_TIME)) time->show();
  ResetClock();

  SetRecordingCaptureParams();
  // A frame rate below 1 cannot come from the options dialog; 1 stands in.
  const int rate = RecordOptions.FrameRate >= 1 ? RecordOptions.FrameRate : 1;
  CaptureParams.dwRequestMicroSecPerFrame = static_cast<DWORD>(1000000 / rate);
  if (RecordOptions.UseTimeLimit == 1) {
    CaptureParams.fLimitEnabled = 1;
    CaptureParams.wTimeLimit = static_cast<UINT>(RecordOptions.TimeLimit);
  } else {
    CaptureParams.fLimitEnabled = 0;
  }
  CaptureParams.fCaptureAudio = RecordOptions.CaptureAudio != 0 ? 1 : 0;
  SendCaptureRecord(WM_CAP_SET_SEQUENCE_SETUP, CaptureParams);

  // With every number taken the warning has been shown: nothing is recorded
  // over an existing file, and the window is idle again.
  if (!NextFreeFileName(VideoPath, kVideoPattern, kVideoFilesWarning)) {
    EnableButton(1001, true);
    EnableButton(1002, false);
    return;
  }
  m_RecordingFile = VideoPath;
  m_RecordingLimited = RecordOptions.UseTimeLimit == 1;
  m_RecordingLimit = RecordOptions.TimeLimit;
  // A file the capture window refuses (a path too long for it) is not
  // recorded at all: the window would otherwise write its last file again.
  const bool started = SendCaptureMessage(WM_CAP_FILE_SET_CAPTURE_FILEA, 0,
                                          reinterpret_cast<LPARAM>(VideoPath.c_str())) &&
                       SendCaptureMessage(WM_CAP_SEQUENCE, 0, 0);
  // With a camera, a recording that cannot start (a refused name, a folder
  // it cannot write) says so and leaves nothing to list; without one, the
  // clock and the list run as ever.
  if (CaptureWindow && !started) {
    SendCaptureRecord(WM_CAP_GET_STATUS, CaptureStatus);
    char text[512];
    std::snprintf(text, sizeof text, "The recording could not start: %s cannot be written (error %08x).",
                  VideoPath.c_str(), static_cast<unsigned>(CaptureStatus.dwReturn));
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    DeleteFile(m_ThumbnailPath.c_str());
    m_RecordingFile.clear();
    EnableButton(1001, true);
    EnableButton(1002, false);
    if (QWidget* time = orvane::ui::GetDlgItem(this, IDC_TIME)) time->hide();
    return;
  }
  m_RecordingWatched = CaptureWindow != nullptr;
  SetTimer(this, kClockTimer, 1000);
}

void VfwViewerDialog::OnStop() {
  m_RecordingWatched = false;
  EnableButton(1001, true);
  EnableButton(1002, false);
  SendCaptureMessage(WM_CAP_STOP, 0, 0);
  KillTimer(this, kClockTimer);
  if (QWidget* time = orvane::ui::GetDlgItem(this, IDC_TIME)) time->hide();
  ListFile(m_RecordingFile, m_ThumbnailPath);
  m_Minutes = 0;
  m_Seconds = 0;
}

void VfwViewerDialog::OnTimer(UINT_PTR id) {
  if (id != kClockTimer) return;
  if (++m_Seconds == 60) {
    ++m_Minutes;
    m_Seconds = 0;
  }
  RefreshClock();
  // The capture window ends a limited recording by itself; the clock ends
  // one second later and lists it. One the window ended before its time (a
  // click in the program, a full disk, a lost camera) ends the same way now.
  const int elapsed = m_Minutes * 60 + m_Seconds;
  const bool limitReached = m_RecordingLimited && elapsed == m_RecordingLimit + 1;
  bool endedEarly = false;
  if (m_RecordingWatched && !(m_RecordingLimited && elapsed >= m_RecordingLimit)) {
    endedEarly = !SendCaptureRecord(WM_CAP_GET_STATUS, CaptureStatus) || !CaptureStatus.fCapturingNow;
  }
  if (limitReached || endedEarly) {
    m_RecordingWatched = false;
    KillTimer(this, kClockTimer);
    ListFile(m_RecordingFile, m_ThumbnailPath);
    ResetClock();
    EnableButton(1001, true);
    EnableButton(1002, false);
  }
}

void VfwViewerDialog::OnSnap() {
  if (!NextFreeFileName(StillPath, kStillPattern, kStillFilesWarning)) return;
  // A photo the camera could not give or the disk not take is not listed:
  // its number stays free, and an entry for it would delete the next photo.
  if (!SendCaptureMessage(WM_CAP_FILE_SAVEDIBA, 0, reinterpret_cast<LPARAM>(StillPath.c_str())) &&
      CaptureWindow) {
    const std::string text = PhotoFailureText(StillPath, GetLastError());
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  ListFile(StillPath, "");
}

void VfwViewerDialog::OpenFilesWindow() {
  if (m_FilesWindow) {
    m_FilesWindow->activateWindow();
    m_FilesWindow->setFocus();
    return;
  }
  auto* window = new CaptureFilesDialog(this, [this] { m_FilesWindow = nullptr; });
  window->Create();
  window->show();
  m_FilesWindow = window;
}

void VfwViewerDialog::ListFile(const std::string& path, const std::string& thumbnailPath) {
  OpenFilesWindow();
  if (m_FilesWindow) m_FilesWindow->AddCapturedFile(path, thumbnailPath);
}
