// ViewerDialog's capture commands over the two command-state flags: Start and
// Stop of a recording, Photo, Security and its sequential photos, and the two
// timers (the recording clock with the time limit; one sequential photo per
// tick).
#include <QAbstractButton>
#include <QPointer>
#include <algorithm>
#include <climits>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "dshow_edition/settingsdlg.h"
#include "dshow_edition/stillwriter.h"
#include "dshow_edition/videoframewnd.h"
#include "dshow_edition/viewerdialog.h"
#include "platform/system/clock.h"
#include "platform/system/files.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/resources.h"
#include "platform/ui/windowtimer.h"

namespace {

constexpr UINT_PTR kClockTimer = 0;
constexpr UINT_PTR kSequentialTimer = 1;
constexpr int IDC_START = 1005;
constexpr int IDC_SECURITY = 1028;

// The clock's areas: all of it, the minute digits, the minutes' units, the
// second digits, the seconds' units.
const QRect kClock(300, 22, 41, 17);
const QRect kMinuteDigits(300, 22, 18, 17);
const QRect kMinuteUnits(309, 22, 9, 17);
const QRect kSecondDigits(323, 22, 18, 17);
const QRect kSecondUnits(332, 22, 9, 17);

void RefuseDuringSequentialPhotos() {
  AfxMessageBox(orvane::ui::LoadStringResource(14).c_str(), MB_OK);
}

// The sequential-photo interval as a timer period. A profile value of 0 or
// less would fire continuously and a huge one overflow the milliseconds:
// the interval is kept from 1 s to what a period can hold.
UINT SecurityPeriod() {
  const LONG seconds = std::clamp<LONG>(Settings().SecurityTime, 1, INT_MAX / 1000);
  return static_cast<UINT>(seconds) * 1000;
}

}  // namespace

HWND ViewerDialog::FrameWindow() const {
  return g_VideoFrameWnd ? g_VideoFrameWnd->client() : nullptr;
}

void ViewerDialog::EnableButton(int id, bool enabled) {
  if (QWidget* button = orvane::ui::GetDlgItem(this, id)) button->setEnabled(enabled);
}

void ViewerDialog::ResetClock() {
  m_Minutes = m_Seconds = 0;
  update(kClock);
}

void ViewerDialog::RebuildPreview() {
  if (!Settings().WantPreview) return;
  AssemblePreviewGraph(FrameWindow());
  RunPreview();
}

// The file just recorded goes into the strip: SaveVideo holds its path. A
// recording that never began (the engine said why) left no file to list.
void ViewerDialog::ListRecording() {
  const std::string& path = Settings().SaveVideo;
  if (path.size() > 4 && path.compare(path.size() - 4, 4, ".avi") == 0 &&
      orvane::files::NameIsTaken(path))
    AddCapturedFile(path, m_ThumbnailPath);
  else if (!m_ThumbnailPath.empty())
    DeleteFile(m_ThumbnailPath.c_str());
}

void ViewerDialog::OnStart() {
  if (SequentialPhoto) return RefuseDuringSequentialPhotos();
  if (Recording) return;
  // Without a camera there is nothing to record, no picture to grab.
  if (!GraphState().videoCapture) return;
  Recording = TRUE;
  EnableButton(IDC_START, false);
  m_ThumbnailPath = ThumbnailPath();
  // A thumbnail of an earlier recording must not stand in if this grab fails.
  DeleteFile(m_ThumbnailPath.c_str());
  SaveStill(StillKind::kThumbnail, m_ThumbnailPath, this);
  if (GraphState().previewing) HaltPreview();
  if (GraphState().previewGraphBuilt) DismantleGraph();
  AssembleCaptureGraph(FrameWindow());
  QPointer<ViewerDialog> self(this);
  const BOOL begun = BeginRecording(FrameWindow());
  if (!self) {  // the panel went while the prompt waited: nothing records
    Recording = FALSE;
    return;
  }
  if (!begun) {
    // Cancelled at the prompt, or the engine said why it could not start:
    // no clock, nothing to list, the preview back.
    Recording = FALSE;
    EnableButton(IDC_START, true);
    DeleteFile(m_ThumbnailPath.c_str());
    m_ThumbnailPath.clear();
    if (!GraphState().previewing) {
      DismantleGraph();
      RebuildPreview();
    }
    return;
  }
  ResetClock();
  SetTimer(this, kClockTimer, 1000);
}

void ViewerDialog::OnStop() {
  if (SequentialPhoto) {
    SequentialPhoto = FALSE;
    KillTimer(this, kSequentialTimer);
    EnableButton(IDC_SECURITY, true);
  }
  if (!Recording) return;
  Recording = FALSE;
  // Killed first: the engine's boxes below run nested loops, in which the
  // clock's tick would end the same recording a second time.
  KillTimer(this, kClockTimer);
  EnableButton(IDC_START, true);
  EndRecording(FrameWindow());
  RebuildPreview();
  ResetClock();
  ListRecording();
}

void ViewerDialog::OnPhoto() {
  if (!GraphState().videoCapture) return;  // no camera: nothing at all
  if (SequentialPhoto) return RefuseDuringSequentialPhotos();
  if (Recording) return;
  const std::string path = NextPhotoPath();
  // A photo that could not be written is not listed (the user was told).
  if (SaveStill(StillKind::kPhoto, path, this)) AddCapturedFile(path, "");
}

void ViewerDialog::OnSet() {
  if (SequentialPhoto) return RefuseDuringSequentialPhotos();
  if (Recording) return;
  CSettingsDlg dialog(this);
  if (dialog.DoModal() != IDOK) return;
  // The new values take effect at the next graph; nothing is saved yet.
  CaptureSettings& s = Settings();
  if (s.AudioAvailable) s.CaptureAudio = dialog.m_UseAudio;
  s.UseFrameRate = dialog.m_UseFrameRate;
  s.UseTimeLimit = dialog.m_UseTimeLimit;
  s.TimeLimit = static_cast<DWORD>(dialog.m_TimeLimit);
  s.SecurityTime = dialog.m_SecurityTime;
  s.FrameRate = dialog.m_FrameRate;
  s.SaveVideo = dialog.m_VideoDir;
  s.SavePhoto = dialog.m_PhotoDir;
  s.SaveSecurity = dialog.m_SecurityDir;
  StripFileName(s.SaveVideo);
  StripFileName(s.SavePhoto);
  StripFileName(s.SaveSecurity);
}

void ViewerDialog::OnSecurity() {
  if (Recording) return;
  SequentialPhoto = TRUE;
  SetTimer(this, kSequentialTimer, SecurityPeriod());
  EnableButton(IDC_SECURITY, false);
}

void ViewerDialog::OnTimer(UINT_PTR id) {
  if (id == kClockTimer) {
    OnClockTick();
  } else if (id == kSequentialTimer) {
    // Without a camera there is no picture: the tick takes none.
    if (!GraphState().graph) return;
    const std::string path = NextSecurityPath();
    // The sequence writes over its old photos: whatever else holds the name
    // (a link, a FIFO) is replaced, never written through.
    orvane::files::ReplaceableByFile(path);
    if (SaveStill(StillKind::kSequential, path, this)) AdvanceSecurityCounter();
  }
}

void ViewerDialog::OnClockTick() {
  const CaptureSettings& settings = Settings();
  if (!Recording) return;  // a tick already queued when Stop came
  if (settings.UseTimeLimit &&
      (timeGetTime() - GraphState().RecordStartTime) / 1000 >= settings.TimeLimit) {
    // The state first, for the same reason as in Stop.
    KillTimer(this, kClockTimer);
    Recording = FALSE;
    EnableButton(IDC_START, true);
    EndRecording(FrameWindow());
    RebuildPreview();
    ResetClock();
    ListRecording();
    return;
  }
  if (++m_Seconds == 60) {
    ++m_Minutes;
    m_Seconds = 0;
    update(kClock);
  }
  if (m_Minutes == 60) {
    m_Minutes = 0;
    update();
  }
  if (m_Seconds == 0)
    update(m_Minutes % 10 == 0 ? kMinuteDigits : kMinuteUnits);
  else
    update(m_Seconds % 10 == 0 ? kSecondDigits : kSecondUnits);
}
