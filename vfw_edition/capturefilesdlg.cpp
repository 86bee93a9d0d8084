#include "vfw_edition/capturefilesdlg.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "platform/ui/commandmap.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/windowstyles.h"

namespace {

constexpr int IDC_FRAME = 1046, IDC_VIEW = 1024, IDC_SAVECOPY = 1047, IDC_DELETE = 1048,
              IDC_DELETEALL = 1049;

const CapturedFiles::Texts kTexts = {
    "동영상 파일(*.avi)|*.avi|",
    "그림 파일(*.bmp) |*.bmp|",
    "캡쳐 파일 윈도우에는 255개까지만 보입니다. %s 파일은 저장되었지만 목록에 없습니다. "
    "목록의 파일을 지우면 자리가 생깁니다.",
    "%s 파일이 이미 있어서 복사하지 않았습니다.",
    "%s(으)로 복사하지 못했습니다.",
};

}  // namespace

CaptureFilesDialog::CaptureFilesDialog(QWidget* owner, std::function<void()> closed)
    : CDialog(IDD, owner), m_Files(this, kTexts), m_closed(std::move(closed)) {
  setObjectName("captureFiles");
  new orvane::ui::CommandMap(this, {{IDC_PICSTRIP, TPN_DBLCLK, [this] { m_Files.View(); }}});
}

BOOL CaptureFilesDialog::OnInitDialog() {
  // Along the screen's left edge, two thirds of the way down.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(10, screen->geometry().height() * 2 / 3);
  QRect rect;
  if (QWidget* frame = orvane::ui::GetDlgItem(this, IDC_FRAME)) rect = frame->geometry();
  auto* strip = new CTitledPicsWnd(CTitledPicsWnd::Look::Tarrow());
  m_Files.Attach(strip);
  strip->setObjectName("pictureStrip");
  strip->Create(nullptr, nullptr,
                orvane::ui::WS_CHILD | orvane::ui::WS_VISIBLE | orvane::ui::WS_BORDER, rect, this,
                IDC_PICSTRIP);
  strip->setAccessibleName(QStringLiteral("캡쳐 파일"));
  strip->SetStretch(true);
  strip->SetCellSize(120, 120);
  strip->SetSelection(0);
  const struct {
    int id;
    std::function<void()> handler;
  } buttons[] = {
      {IDC_VIEW, [this] { m_Files.View(); }},
      {IDC_SAVECOPY, [this] { m_Files.SaveCopy(); }},
      {IDC_DELETE,
       [this] {
         m_Files.Delete();
         if (m_Files.count() == 0) EnableFileButtons(false);
       }},
      {IDC_DELETEALL,
       [this] {
         m_Files.DeleteAll();
         EnableFileButtons(false);
       }},
  };
  for (const auto& b : buttons)
    if (auto* button = qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(this, b.id)))
      connect(button, &QAbstractButton::clicked, this, b.handler);
  EnableFileButtons(false);
  return TRUE;
}

void CaptureFilesDialog::EnableFileButtons(bool enabled) {
  for (int id : {IDC_VIEW, IDC_SAVECOPY, IDC_DELETE, IDC_DELETEALL})
    if (QWidget* button = orvane::ui::GetDlgItem(this, id)) button->setEnabled(enabled);
}

void CaptureFilesDialog::AddCapturedFile(const std::string& path,
                                         const std::string& thumbnailPath) {
  m_Files.Add(path, thumbnailPath);
  if (m_Files.count() > 0) EnableFileButtons(true);
  update();
}

// Every way out tells the owner first, then the window goes.
void CaptureFilesDialog::Close() {
  if (m_closing) return;
  m_closing = true;
  if (m_closed) m_closed();
  hide();
  deleteLater();
}

void CaptureFilesDialog::OnOK() { Close(); }
void CaptureFilesDialog::OnCancel() { Close(); }

void CaptureFilesDialog::closeEvent(QCloseEvent* event) {
  Close();
  event->accept();
}
