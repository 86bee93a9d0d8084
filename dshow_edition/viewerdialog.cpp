#include "dshow_edition/viewerdialog.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QPainter>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "dshow_edition/recordingrecovery.h"
#include "dshow_edition/videoframewnd.h"
#include "platform/dshow/com.h"
#include "platform/ui/buttonnotify.h"
#include "platform/ui/commandmap.h"
#include "platform/ui/buttonkeys.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/resources.h"
#include "platform/ui/windowdrag.h"
#include "platform/ui/windowmessage.h"
#include "platform/ui/windowstyles.h"
#include "platform/ui/windowtimer.h"

BOOL Recording = FALSE;
BOOL SequentialPhoto = FALSE;

namespace {

// The buttons in the member order; 1019 (Chat) has no control in the template.
constexpr std::array<int, 13> kButtonIds = {1,    1030, 1005, 1006, 1007, 1008, 1028,
                                            1029, 1019, 1022, 1023, 1024, 1025};
constexpr int IDC_PICTUREFRAME = 1021;
constexpr int IDD_ABOUT = 138;

constexpr int kClockY = 22;

}  // namespace

ViewerDialog::ViewerDialog()
    : CDialog(IDD, nullptr),
      m_hIcon(orvane::ui::LoadIconResource(128)),
      m_Files(this,
              {"AVI file(*.avi)|*.avi|", "BMP file(*.bmp) |*.bmp|",
               "The strip lists 255 files at most: %s was saved but is not listed. "
               "Delete listed files to make room.",
               "%s exists already: nothing was copied.", "The copy to %s could not be written."}) {
  setObjectName("viewerDialog");
  g_VideoFrameWnd = nullptr;
  SetConstructionDefaults();
  new orvane::ui::CommandMap(this, {
                                       {1005, BN_CLICKED, [this] { OnStart(); }},
                                       {1006, BN_CLICKED, [this] { OnStop(); }},
                                       {1007, BN_CLICKED, [this] { OnPhoto(); }},
                                       {1008, BN_CLICKED, [this] { OnSet(); }},
                                       {1028, BN_CLICKED, [this] { OnSecurity(); }},
                                       {1022, BN_CLICKED, [this] { OnSee(); }},
                                       {IDC_PICSTRIP, TPN_DBLCLK, [this] { OnSee(); }},
                                       {1023, BN_CLICKED, [this] { OnRename(); }},
                                       {1024, BN_CLICKED, [this] { OnDelete(); }},
                                       {1025, BN_CLICKED, [this] { OnDeleteAll(); }},
                                       {1029, BN_CLICKED, [this] { OnMail(); }},
                                       {1019, BN_CLICKED, [this] { OnChat(); }},
                                       {1030, BN_CLICKED, [this] { OnAbout(); }},
                                   });
}

ViewerDialog::~ViewerDialog() = default;

BOOL ViewerDialog::OnInitDialog() {
  m_PictureFrame = orvane::ui::GetDlgItem(this, IDC_PICTUREFRAME);
  setWindowIcon(m_hIcon);
  if (g_VideoFrameWnd) {
    g_VideoFrameWnd->setFocus();
  } else {
    g_VideoFrameWnd = new CVideoFrameWnd(this);
    g_VideoFrameWnd->Create(g_VideoFrameWnd->client());
    g_VideoFrameWnd->show();
  }
  // The panel hangs under the picture, at its left edge, with its width.
  m_WindowRect = frameGeometry();
  const QRect frame = g_VideoFrameWnd->m_WindowRect;
  setGeometry(frame.left(), frame.bottom() + 1, g_VideoFrameWnd->m_Width, m_WindowRect.height());
  update();
  PrepareSaveDirectories();
  RepairUnfinishedRecordings();

  auto* strip = new CTitledPicsWnd(CTitledPicsWnd::Look::Velbin());
  m_Files.Attach(strip);
  strip->setObjectName("pictureStrip");
  strip->Create(nullptr, nullptr,
                orvane::ui::WS_CHILD | orvane::ui::WS_VISIBLE | orvane::ui::WS_BORDER,
                QRect(QPoint(15, 20), QPoint(295 - 1, 97 - 1)), this, IDC_PICSTRIP);
  strip->setAccessibleName(QStringLiteral("Captured files"));
  strip->SetStretch(true);
  strip->SetCellSize(46, 58);
  strip->UpdateScrollSizes();
  strip->SetSelection(0);

  LoadButtons();
  setMask(QRegion(0, 0, 421, 146));
  AddToolTips();
  BindKeys();
  setWindowTitle(QStringLiteral("Orvane Viewer"));
  orvane::ui::DragByClientArea(this, this);
  return TRUE;
}

// Keys for a user without a mouse, from the panel or the picture; the focus
// starts on Photo, so that Enter or Space at once do not end the program.
void ViewerDialog::BindKeys() {
  auto button = [this](int id) {
    return qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(this, id));
  };
  const std::initializer_list<QWidget*> windows = {this, g_VideoFrameWnd};
  orvane::ui::BindButtonKey(button(1007), QKeySequence(Qt::Key_P), windows);
  orvane::ui::BindButtonKey(button(1005), QKeySequence(Qt::Key_R), windows);
  orvane::ui::BindButtonKey(button(1006), QKeySequence(Qt::Key_S), windows);
  orvane::ui::BindButtonKey(button(1008), QKeySequence(Qt::Key_O), windows);
  if (QAbstractButton* photo = button(1007)) photo->setFocus(Qt::OtherFocusReason);
}

void ViewerDialog::LoadButtons() {
  for (std::size_t i = 0; i < kButtonIds.size(); ++i)
    m_Buttons[i].AutoLoad(static_cast<UINT>(kButtonIds[i]), this);  // 1019 fails, as it may
}

void ViewerDialog::AddToolTips() {
  m_ToolTip.Create(this);
  const struct {
    int id;
    UINT text;  // string table id; 0: fixed text below
  } tools[] = {{1005, 1},  {1006, 2},  {1007, 3},  {1008, 4},  {1029, 7}, {1022, 9},
               {1023, 10}, {1024, 11}, {1025, 12}, {1030, 13}, {1, 0}};
  for (const auto& t : tools)
    if (QWidget* control = orvane::ui::GetDlgItem(this, t.id))
      m_ToolTip.AddTool(control, t.text ? orvane::ui::LoadStringResource(t.text) : "Exit");
  if (QWidget* security = orvane::ui::GetDlgItem(this, 1028))
    m_ToolTip.AddTool(security, [this] { return SecurityToolTip(); });
}

std::string ViewerDialog::SecurityToolTip() const {
  return SequentialPhoto ? "On Sequential Photo. Press record stop button to stop."
                         : "Sequential Photo. Press record stop button to stop.";
}

void ViewerDialog::RepairUnfinishedRecordings() {
  const std::vector<std::string> repaired = RepairUnfinishedRecordingsIn(Settings().SaveVideo);
  if (repaired.empty()) return;
  std::string text =
      "These recordings were not finished when the program last stopped; they have been "
      "repaired and play up to where they were cut off:";
  for (const std::string& path : repaired) text += "\n" + path;
  MessageBox(this, text.c_str(), "Orvane Viewer", MB_OK | MB_ICONINFORMATION);
}

void ViewerDialog::paintEvent(QPaintEvent*) {
  // Minimised, the desktop shows the window icon: there is nothing to paint.
  QPainter painter(this);
  painter.drawPixmap(0, 0, orvane::ui::LoadBitmap(139));
  const int digits[] = {m_Minutes / 10, m_Minutes % 10, -1, m_Seconds / 10, m_Seconds % 10};
  const int x[] = {300, 309, 318, 323, 332};
  for (int i = 0; i < 5; ++i)
    painter.drawPixmap(x[i], kClockY,
                       orvane::ui::LoadBitmap(digits[i] < 0 ? 150 : 140 + digits[i]));
}

bool ViewerDialog::event(QEvent* event) {
  if (event->type() == WindowMessageEvent::EventType()) {
    auto* message = static_cast<WindowMessageEvent*>(event);
    if (message->message() == WM_TIMER) {
      OnTimer(message->wParam());
      return true;
    }
  }
  return CDialog::event(event);
}

void ViewerDialog::OnAbout() {
  orvane::ui::CDialog about(IDD_ABOUT, this);
  about.DoModal();
}

// Minimising the panel takes the frame window, which it owns, along.
void ViewerDialog::changeEvent(QEvent* event) {
  CDialog::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !g_VideoFrameWnd) return;
  if (isMinimized())
    g_VideoFrameWnd->hide();
  else
    g_VideoFrameWnd->show();
}

void ViewerDialog::ShutDownEngine() {
  // The clock dies with the window, but an engine box below would let it
  // tick (and end the recording) first.
  KillTimer(this, 0);
  HaltPreview();
  EndRecording(this);
  DismantleGraph();
  ReleaseCaptureFilters();
  KillTimer(this, 1);
  SaveSettings();
}

// Alt+F4 and the window manager's close: the first half, then the dialog
// ends as Cancel does (which runs the second half).
void ViewerDialog::closeEvent(QCloseEvent* event) {
  OnClose();
  CDialog::closeEvent(event);
}

void ViewerDialog::OnClose() { ShutDownEngine(); }

void ViewerDialog::done(int result) {
  OnDestroy();
  CDialog::done(result);
}

void ViewerDialog::OnDestroy() {
  if (m_destroyed) return;
  m_destroyed = true;
  ShutDownEngine();
  if (g_VideoFrameWnd) {
    g_VideoFrameWnd->hide();
    g_VideoFrameWnd->deleteLater();
    g_VideoFrameWnd = nullptr;
  }
  dshow::CoUninitialize();
}
