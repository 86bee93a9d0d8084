#include "dshow_edition/settingsdlg.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "controls/savedirectorybrowser.h"
#include "dshow_edition/cameramemory.h"
#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "dshow_edition/videoframewnd.h"
#include "dshow_edition/viewerdialog.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/propertypages.h"
#include "platform/system/taskmem.h"
#include "platform/ui/dataexchange.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/messagebox.h"

using namespace dshow;

namespace {

constexpr int IDC_USEAUDIO = 1009, IDC_USEFRAMERATE = 1010, IDC_USETIMELIMIT = 1011,
              IDC_FRAMERATE = 1012, IDC_TIMELIMIT = 1013, IDC_VIDEODIR = 1015, IDC_PHOTODIR = 1016,
              IDC_BROWSEVIDEO = 1017, IDC_BROWSEPHOTO = 1018, IDC_SECURITYDIR = 1019,
              IDC_BROWSESECURITY = 1020, IDC_SECURITYTIME = 1027, IDC_AUDIO = 1032,
              IDC_SOURCE = 1033, IDC_FORMAT = 1034;

constexpr char kSequentialRefusal[] = "On Sequential Photo. Press the Record Stop Button to Stop.";

HWND FrameWindow() { return g_VideoFrameWnd ? g_VideoFrameWnd->client() : nullptr; }

}  // namespace

CSettingsDlg::CSettingsDlg(QWidget* owner) : CDialog(IDD, owner) {
  setObjectName("settings");
  CaptureSettings& s = Settings();
  StripFileName(s.SaveVideo);
  StripFileName(s.SavePhoto);
  StripFileName(s.SaveSecurity);
  m_UseFrameRate = s.UseFrameRate ? TRUE : FALSE;
  m_UseAudio = s.CaptureAudio ? TRUE : FALSE;
  m_UseTimeLimit = s.UseTimeLimit ? TRUE : FALSE;
  m_TimeLimit = static_cast<int>(s.TimeLimit);
  m_FrameRate = static_cast<int>(s.FrameRate);
  m_PhotoDir = s.SavePhoto;
  m_VideoDir = s.SaveVideo;
  m_SecurityTime = static_cast<int>(s.SecurityTime);
  m_SecurityDir = s.SaveSecurity;
}

BOOL CSettingsDlg::OnInitDialog() {
  for (int id : {IDC_USEAUDIO, IDC_USEFRAMERATE, IDC_USETIMELIMIT})
    if (auto* box = qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(this, id)))
      connect(box, &QAbstractButton::clicked, this, [this] { UpdateData(TRUE); });
  for (int id : {IDC_FRAMERATE, IDC_TIMELIMIT, IDC_SECURITYTIME})
    if (QWidget* edit = orvane::ui::GetDlgItem(this, id)) edit->installEventFilter(this);
  const struct {
    int id;
    std::function<void()> handler;
  } buttons[] = {
      {IDC_BROWSEVIDEO, [this] { Browse(&m_VideoDir); }},
      {IDC_BROWSEPHOTO, [this] { Browse(&m_PhotoDir); }},
      {IDC_BROWSESECURITY, [this] { Browse(&m_SecurityDir); }},
      {IDC_AUDIO, [this] { OnAudio(); }},
      {IDC_SOURCE, [this] { OnSource(); }},
      {IDC_FORMAT, [this] { OnFormat(); }},
  };
  for (const auto& b : buttons)
    if (auto* button = qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(this, b.id)))
      connect(button, &QAbstractButton::clicked, this, b.handler);
  UpdateData(FALSE);
  // 70 pixels right of the owner's left edge, level with its top.
  if (QWidget* owner = parentWidget()) {
    const QRect o = owner->window()->frameGeometry();
    move(o.left() + 70, o.top());
  }
  return TRUE;
}

bool CSettingsDlg::eventFilter(QObject* watched, QEvent* event) {
  // The edit gives the focus to another control: check. Focus that goes to
  // another window (a box, a switch of programs) is no edit left behind.
  if (event->type() == QEvent::FocusOut && isVisible()) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) UpdateData(TRUE);
  }
  return CDialog::eventFilter(watched, event);
}

BOOL CSettingsDlg::UpdateData(BOOL saveAndValidate) {
  auto check = [this](int id) {
    return qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(this, id));
  };
  auto edit = [this](int id) { return qobject_cast<QLineEdit*>(orvane::ui::GetDlgItem(this, id)); };
  auto label = [this](int id) { return qobject_cast<QLabel*>(orvane::ui::GetDlgItem(this, id)); };
  if (!saveAndValidate) {
    if (auto* c = check(IDC_USEFRAMERATE)) c->setChecked(m_UseFrameRate);
    if (auto* c = check(IDC_USEAUDIO)) c->setChecked(m_UseAudio);
    if (auto* c = check(IDC_USETIMELIMIT)) c->setChecked(m_UseTimeLimit);
    if (auto* e = edit(IDC_TIMELIMIT)) e->setText(QString::number(m_TimeLimit));
    if (auto* e = edit(IDC_FRAMERATE)) e->setText(QString::number(m_FrameRate));
    if (auto* l = label(IDC_PHOTODIR)) l->setText(QString::fromStdString(m_PhotoDir));
    if (auto* l = label(IDC_VIDEODIR)) l->setText(QString::fromStdString(m_VideoDir));
    if (auto* e = edit(IDC_SECURITYTIME)) e->setText(QString::number(m_SecurityTime));
    if (auto* l = label(IDC_SECURITYDIR)) l->setText(QString::fromStdString(m_SecurityDir));
    return TRUE;
  }
  // A box would take the focus from the edit and ask again: once at a time.
  if (m_validating) return FALSE;
  m_validating = true;
  auto integer = [&](int id, int low, int high, int* member) {
    QLineEdit* e = edit(id);
    if (!e) return true;
    int value = 0;
    std::string text;
    if (!orvane::ui::ParseDialogInteger(e->text().toStdString(), &value)) {
      text = "Please enter an integer.";
    } else if (value < low || value > high) {
      text = "Please enter an integer between " + std::to_string(low) + " and " +
             std::to_string(high) + ".";
    }
    if (!text.empty()) {
      AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
      e->setFocus();
      e->selectAll();
      return false;
    }
    *member = value;
    return true;
  };
  if (auto* c = check(IDC_USEFRAMERATE)) m_UseFrameRate = c->isChecked();
  if (auto* c = check(IDC_USEAUDIO)) m_UseAudio = c->isChecked();
  if (auto* c = check(IDC_USETIMELIMIT)) m_UseTimeLimit = c->isChecked();
  bool ok =
      integer(IDC_TIMELIMIT, 10, 999, &m_TimeLimit) && integer(IDC_FRAMERATE, 3, 30, &m_FrameRate);
  if (ok) {
    if (auto* l = label(IDC_PHOTODIR)) m_PhotoDir = l->text().toStdString();
    if (auto* l = label(IDC_VIDEODIR)) m_VideoDir = l->text().toStdString();
    ok = integer(IDC_SECURITYTIME, 1, 999, &m_SecurityTime);
  }
  if (ok)
    if (auto* l = label(IDC_SECURITYDIR)) m_SecurityDir = l->text().toStdString();
  m_validating = false;
  return ok ? TRUE : FALSE;
}

void CSettingsDlg::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CSettingsDlg::Browse(std::string* directory) {
  if (BrowseForSaveDirectory(this, directory)) UpdateData(FALSE);
}

bool CSettingsDlg::RefusedDuringSequentialPhotos() {
  if (!SequentialPhoto) return false;
  AfxMessageBox(kSequentialRefusal, MB_OK);
  return true;
}

void CSettingsDlg::OnAudio() {
  if (RefusedDuringSequentialPhotos()) return;
  if (Settings().AudioAvailable)
    PickAudioFormat(FrameWindow());
  else
    AfxMessageBox("No Audio device found !", MB_OK);
}

namespace {

// Shows object's property pages in a frame owned by the video frame window.
void ShowPages(const Ref<IUnknown>& object) {
  Ref<ISpecifyPropertyPages> pages;
  if (FAILED(QueryInterface(object, &pages))) return;
  CAUUID list{};
  if (SUCCEEDED(pages->GetPages(&list))) {
    OleCreatePropertyFrame(FrameWindow(), 30, 30, "", 1, &object, list.cElems, list.pElems, 0, 0,
                           nullptr);
    CoTaskMemFree(list.pElems);
  }
}

}  // namespace

void CSettingsDlg::OnSource() {
  if (RefusedDuringSequentialPhotos()) return;
  const CaptureGraphState& state = GraphState();
  if (!state.videoCapture) return;
  const auto before = CurrentControls(state.videoCapture);
  ShowPages(state.videoCapture);
  // Picture settings made here are this camera's in later runs too.
  const auto after = CurrentControls(state.videoCapture);
  if (after != before) RememberControls(state.deviceIdentity, after);
}

void CSettingsDlg::OnFormat() {
  if (RefusedDuringSequentialPhotos()) return;
  CaptureGraphState& state = GraphState();
  if (Settings().WantPreview) HaltPreview();
  if (state.previewFromCapturePin) DismantleGraph();
  // A pin without a stream configuration has no format pages: there is
  // nothing to show, and the preview comes back as it was.
  Ref<IAMStreamConfig> config;
  if (state.builder && state.videoCapture &&
      SUCCEEDED(
          state.builder->FindStreamConfig(PinCategory::Capture, state.videoCapture, &config))) {
    AM_MEDIA_TYPE* before = nullptr;
    const bool known = SUCCEEDED(config->GetFormat(&before));
    ShowPages(config);
    AM_MEDIA_TYPE* after = nullptr;
    if (known && SUCCEEDED(config->GetFormat(&after))) {
      // A format chosen here is this camera's from now on, in later runs too.
      const std::optional<VideoFormat> now = VideoFormatOf(*after);
      if (now && now != VideoFormatOf(*before)) RememberCameraFormat(state.deviceIdentity, *now);
      DeleteMediaType(after);
    }
    if (before) DeleteMediaType(before);
    AM_MEDIA_TYPE* type = nullptr;
    if (state.videoStreamConfig && SUCCEEDED(state.videoStreamConfig->GetFormat(&type))) {
      if (std::optional<VideoFormat> format = VideoFormatOf(*type))
        FitFrameWindow(FrameWindow(), format->width + 40, std::abs(format->height) + 36);
      DeleteMediaType(type);
    }
  }
  config.reset();
  if (Settings().WantPreview) {
    AssemblePreviewGraph(FrameWindow());
    RunPreview();
  }
}
