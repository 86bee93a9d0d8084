#include "vfw_edition/vfwviewerdialog.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <algorithm>

#include "controls/recordingrecovery.h"
#include "platform/system/files.h"
#include "platform/ui/buttonkeys.h"
#include "platform/ui/buttonnotify.h"
#include "platform/ui/commandmap.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/resources.h"
#include "platform/ui/windowdrag.h"
#include "platform/ui/windowmessage.h"
#include "platform/ui/windowops.h"
#include "platform/ui/windowtimer.h"
#include "vfw_edition/capturedriver.h"
#include "vfw_edition/capturefilesdlg.h"
#include "vfw_edition/recordoptions.h"
#include "vfw_edition/windowshape.h"

namespace {

constexpr std::array<int, 7> kBitmapButtonIds = {1001, 1002, 1005, 1041, 1043, 1035, 1};
constexpr std::array<int, 4> kHoverButtonIds = {1059, 1024, 1042, 1061};
constexpr UINT IDM_ABOUTBOX = 16;
constexpr UINT IDS_ABOUTBOX = 101;

}  // namespace

VfwViewerDialog::VfwViewerDialog()
    : CDialog(IDD, nullptr), m_hIcon(orvane::ui::LoadIconResource(128)) {
  setObjectName("vfwViewerDialog");
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  m_client = new QWidget(this);
  m_client->setObjectName("client");
  SetClientArea(this, m_client);
  // Buttons tell their parent, the client area; the map listens there.
  new orvane::ui::CommandMap(m_client, {
                                           {1001, BN_CLICKED, [this] { OnStart(); }},
                                           {1002, BN_CLICKED, [this] { OnStop(); }},
                                           {1005, BN_CLICKED, [this] { OnSnap(); }},
                                           {1041, BN_CLICKED, [this] { OnOption(true); }},
                                           {1043, BN_CLICKED, [this] { OnOption(false); }},
                                           {1059, BN_CLICKED, [this] { OnRecordMenu(); }},
                                           {1024, BN_CLICKED, [this] { OnLinkMenu(); }},
                                           {1042, BN_CLICKED, [this] { OnSaveDirs(); }},
                                           {1061, BN_CLICKED, [this] { OnMail(); }},
                                           {1035, BN_CLICKED, [this] { OnHelp(); }},
                                           {1, BN_CLICKED, [this] { OnOK(); }},
                                       });
}

VfwViewerDialog::~VfwViewerDialog() { OnDestroy(); }

BOOL VfwViewerDialog::OnInitDialog() {
  AfxSetMainWnd(this);
  setWindowTitle(QStringLiteral("Orvane Viewer"));
  setWindowIcon(m_hIcon);

  ConnectCaptureWindow(this, TRUE);
  StartPreview();

  // A short first sequence, to the window's own capture file, with the
  // recording values and a one-second limit.
  SetRecordingCaptureParams();
  CaptureParams.dwRequestMicroSecPerFrame = 66666;
  CaptureParams.fLimitEnabled = 1;
  CaptureParams.wTimeLimit = 1;
  SendCaptureRecord(WM_CAP_SET_SEQUENCE_SETUP, CaptureParams);
  SendCaptureMessage(WM_CAP_SEQUENCE, 0, 0);
  SendCaptureMessage(WM_CAP_STOP, 0, 0);

  ResetClock();
  RecordOptions.UseTimeLimit = 0;
  RecordOptions.CaptureAudio = 0;

  setMask(ViewerWindowRegion());
  const QScreen* screen = QGuiApplication::primaryScreen();
  setGeometry(10, screen ? screen->geometry().height() / 14 : 0, kNarrowWindowWidth, kWindowHeight);

  for (const char* directory :
       {"c:\\Lumitrex Images", "c:\\Lumitrex Images\\still", "c:\\Lumitrex Images\\video"})
    CreateDirectory(directory, nullptr);
  RepairUnfinishedRecordings();

  AddToolTips();
  LoadButtons();
  EnableButton(1002, false);
  EnableButton(1041, true);
  EnableButton(1043, false);
  // The skin picture covers the client area: presses go through it, so
  // that the whole window drags like a title bar.
  if (QWidget* skin = orvane::ui::GetDlgItem(this, -1))
    skin->setAttribute(Qt::WA_TransparentForMouseEvents);
  orvane::ui::DragByClientArea(m_client, this);
  for (QAbstractButton* button : findChildren<QAbstractButton*>()) button->installEventFilter(this);
  // Keys for a user without a mouse: 녹화 R, 정지 S, 사진 P, 설정 O.
  for (const auto& [id, key] : {std::pair{1001, Qt::Key_R}, {1002, Qt::Key_S}, {1005, Qt::Key_P},
                                {1059, Qt::Key_O}})
    orvane::ui::BindButtonKey(qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(this, id)),
                              QKeySequence(key), {this});
  return TRUE;
}

void VfwViewerDialog::resizeEvent(QResizeEvent* event) {
  CDialog::resizeEvent(event);
  // To the window's right and bottom edges: the skin covers what the
  // region lets through there.
  m_client->setGeometry(kClientLeft, kClientTop, width() - kClientLeft, height() - kClientTop);
}

void VfwViewerDialog::AddToolTips() {
  m_ToolTip.Create(this);
  const struct {
    int id;
    const char* text;
  } tools[] = {{1001, "녹화 시작"},
               {1002, "녹화 끝"},
               {1005, "사진 찍기"},
               {1041, "메뉴확대 ..."},
               {1043, "메뉴축소"},
               {1059, "화면,프레임수,오디오"},
               {1024, "넷미팅,씨유씨미,젠토라"},
               {1042, "영상이나 사진을 저장할 곳을 설정"},
               {1061, "영상이나 사진을 메일로 보내기"},
               {1035, "도움말"},
               {1, "끝내기"}};
  for (const auto& t : tools)
    if (QWidget* control = orvane::ui::GetDlgItem(this, t.id)) m_ToolTip.AddTool(control, t.text);
}

void VfwViewerDialog::LoadButtons() {
  for (std::size_t i = 0; i < kBitmapButtonIds.size(); ++i)
    m_Buttons[i].AutoLoad(static_cast<UINT>(kBitmapButtonIds[i]), this);
  const int faces[4][3] = {{213, 221, 213}, {214, 222, 214}, {216, 223, 216}, {215, 224, 215}};
  for (std::size_t i = 0; i < kHoverButtonIds.size(); ++i) {
    CHoverBitmapButton& button = m_HoverButtons[i];
    button.SubclassDlgItem(static_cast<UINT>(kHoverButtonIds[i]), this);
    button.LoadHoverBitmaps(faces[i][0], faces[i][1], faces[i][2]);
    button.SetImageLayout(1);
  }
  // Screen readers name each skinned button by its tip.
  for (int id : kBitmapButtonIds)
    if (QWidget* b = orvane::ui::GetDlgItem(this, id))
      b->setAccessibleName(QString::fromStdString(m_ToolTip.TextOf(b)));
  for (int id : kHoverButtonIds)
    if (QWidget* b = orvane::ui::GetDlgItem(this, id))
      b->setAccessibleName(QString::fromStdString(m_ToolTip.TextOf(b)));
}

void VfwViewerDialog::RepairUnfinishedRecordings() {
  std::string folder = VideoPath;
  StripFileName(folder);
  std::vector<std::string> names;
  for (const std::string& name : orvane::files::FileNamesIn(folder)) {
    // Tarrow's own names only: "vid", five digits, ".avi".
    const bool ours = name.size() == 12 && name.compare(0, 3, "vid") == 0 &&
                      name.compare(8, 4, ".avi") == 0 &&
                      std::all_of(name.begin() + 3, name.begin() + 8,
                                  [](char c) { return c >= '0' && c <= '9'; });
    if (ours) names.push_back(name);
  }
  const std::vector<std::string> repaired = ::RepairUnfinishedRecordings(folder, names);
  if (repaired.empty()) return;
  std::string text =
      "프로그램이 지난번에 끝날 때 마무리되지 않은 녹화 파일을 고쳤습니다. 끊긴 곳까지 "
      "재생됩니다:";
  for (const std::string& path : repaired) text += "\n" + path;
  MessageBox(this, text.c_str(), "Orvane Viewer", MB_OK | MB_ICONINFORMATION);
}

void VfwViewerDialog::EnableButton(int id, bool enabled) {
  if (QWidget* button = orvane::ui::GetDlgItem(this, id)) button->setEnabled(enabled);
}

void VfwViewerDialog::Rearm(int id) {
  EnableButton(id, false);
  EnableButton(id, true);
}

void VfwViewerDialog::OnOption(bool wide) {
  resize(wide ? kWideWindowWidth : kNarrowWindowWidth, kWindowHeight);
  EnableButton(1043, wide);
  EnableButton(1041, !wide);
}

bool VfwViewerDialog::event(QEvent* event) {
  if (event->type() == WindowMessageEvent::EventType()) {
    auto* message = static_cast<WindowMessageEvent*>(event);
    if (message->message() == WM_TIMER) {
      OnTimer(message->wParam());
      return true;
    }
  }
  return CDialog::event(event);
}

// The window has no caption, so its system menu comes up where the user
// right-clicks its background, or with Alt+Space.
void VfwViewerDialog::contextMenuEvent(QContextMenuEvent* event) {
  QWidget* hit = childAt(event->pos());
  if (hit && hit != m_client && hit != orvane::ui::GetDlgItem(this, -1)) return;
  ShowSystemMenu(event->globalPos());
}

void VfwViewerDialog::keyPressEvent(QKeyEvent* event) {
  if (IsSystemMenuKey(event)) {
    ShowSystemMenu(mapToGlobal(QPoint(kClientLeft, kClientTop)));
    return;
  }
  CDialog::keyPressEvent(event);
}

bool VfwViewerDialog::IsSystemMenuKey(const QKeyEvent* event) {
  return event->key() == Qt::Key_Space && event->modifiers() == Qt::AltModifier;
}

// A focused button takes Space as a press whatever the modifiers: Alt+Space
// is taken from it first, so that it opens the menu and presses nothing.
bool VfwViewerDialog::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
      IsSystemMenuKey(static_cast<QKeyEvent*>(event))) {
    if (event->type() == QEvent::KeyPress)
      ShowSystemMenu(mapToGlobal(QPoint(kClientLeft, kClientTop)));
    return true;
  }
  return CDialog::eventFilter(watched, event);
}

void VfwViewerDialog::ShowSystemMenu(const QPoint& at) {
  const std::string about = orvane::ui::LoadStringResource(IDS_ABOUTBOX);
  if (about.empty()) return;
  QMenu menu(this);
  menu.setObjectName("systemMenu");
  menu.addSeparator();
  QAction* item = menu.addAction(QString::fromStdString(about));
  item->setData(IDM_ABOUTBOX);
  if (menu.exec(at) == item) OnHelp();
}

void VfwViewerDialog::OnOK() {
  DisconnectCaptureWindow();
  CDialog::OnOK();
}

void VfwViewerDialog::done(int result) {
  OnDestroy();
  CDialog::done(result);
}

void VfwViewerDialog::OnDestroy() {
  if (m_destroyed) return;
  m_destroyed = true;
  KillTimer(this, kClockTimer);
  if (m_FilesWindow) m_FilesWindow->close();
  // Escape leaves without disconnecting: the capture window goes with this
  // window and finishes a recording that still runs.
  if (CaptureWindow && CaptureWindow->window() == this) {
    delete CaptureWindow;
    CaptureWindow = nullptr;
  }
  if (AfxGetMainWnd() == this) AfxSetMainWnd(nullptr);
}
