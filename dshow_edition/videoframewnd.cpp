#include "dshow_edition/videoframewnd.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "dshow_edition/captureengine.h"
#include "platform/dshow/com.h"
#include "platform/ui/buttonnotify.h"
#include "platform/ui/commandmap.h"
#include "platform/ui/resources.h"
#include "platform/ui/windowdrag.h"
#include "platform/ui/windowmessage.h"

CVideoFrameWnd* g_VideoFrameWnd = nullptr;
int m_Maximized = 1;

namespace {

constexpr int IDC_MAXORG = 1037;
constexpr int IDC_MIN = 1038;
constexpr int kButtonSize = 12;

QRect Screen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

CVideoFrameWnd::CVideoFrameWnd(QWidget* parent)
    : CDialog(IDD, parent), m_client(new QWidget(this)) {
  // WS_POPUP | WS_THICKFRAME without a caption: a frameless tool window of
  // the panel's, sized from its own border.
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setObjectName("videoFrame");
  m_client->setObjectName("videoFrameClient");
  m_client->installEventFilter(this);
  new orvane::ui::CommandMap(m_client, {
                                           {IDC_MAXORG, BN_CLICKED, [this] { OnMaxOrg(); }},
                                           {IDC_MIN, BN_CLICKED, [this] { OnMin(); }},
                                       });
  orvane::ui::DragByClientArea(m_client, this);
  orvane::ui::EnableSizingBorder(this, kBorder, kMinimumSize);
}

BOOL CVideoFrameWnd::OnInitDialog() {
  const QRect screen = Screen();
  setGeometry(screen.width() / 4, screen.height() / 20, 420, 327);
  TakeWindowRect();
  m_BtnMaxOrg.AutoLoad(IDC_MAXORG, m_client);
  m_BtnMin.AutoLoad(IDC_MIN, m_client);
  PlaceButtons();
  m_ToolTip.Create(this);
  if (m_BtnMaxOrg.button())
    m_ToolTip.AddTool(m_BtnMaxOrg.button(), [] {
      return std::string(m_Maximized ? "Maximize Window" : "Original size");
    });
  if (m_BtnMin.button()) m_ToolTip.AddTool(m_BtnMin.button(), std::string("Minimize Window"));
  dshow::CoInitialize(nullptr);
  LoadSettings(m_client);
  return TRUE;
}

void CVideoFrameWnd::TakeWindowRect() {
  m_WindowRect = frameGeometry();
  m_Width = m_WindowRect.width();
  m_Height = m_WindowRect.height();
}

void CVideoFrameWnd::PlaceButtons() {
  const int x = m_client->width() - 15;
  if (QAbstractButton* b = m_BtnMaxOrg.button()) b->setGeometry(x, 2, kButtonSize, kButtonSize);
  if (QAbstractButton* b = m_BtnMin.button()) b->setGeometry(x, 16, kButtonSize, kButtonSize);
}

void CVideoFrameWnd::resizeEvent(QResizeEvent* event) {
  CDialog::resizeEvent(event);
  m_client->setGeometry(kBorder, kBorder, width() - 2 * kBorder, height() - 2 * kBorder);
  OnSize();
}

void CVideoFrameWnd::moveEvent(QMoveEvent* event) {
  CDialog::moveEvent(event);
  TakeWindowRect();
}

void CVideoFrameWnd::OnSize() {
  TakeWindowRect();
  PlaceButtons();
  m_client->update();
  if (GraphState().videoWindow)
    GraphState().videoWindow->SetWindowPosition(20, 18, m_Width - 46, m_Height - 42);
}

// The sizing border, in the system's frame colours.
void CVideoFrameWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().button());
  painter.setPen(palette().light().color());
  painter.drawLine(0, 0, width() - 1, 0);
  painter.drawLine(0, 0, 0, height() - 1);
  painter.setPen(palette().shadow().color());
  painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
  painter.drawLine(0, height() - 1, width() - 1, height() - 1);
}

void CVideoFrameWnd::OnPaint() {
  const QPixmap border = orvane::ui::LoadBitmap(130);
  const int W = m_Width, H = m_Height;
  QPainter painter(m_client);
  struct Piece {
    QRect to, from;
  };
  const Piece pieces[] = {
      {{0, 0, 55, 18}, {0, 0, 55, 18}},                // top-left
      {{55, 0, W - 81, 18}, {55, 0, 125, 18}},         // top edge
      {{W - 26, 0, 20, 35}, {180, 0, 20, 35}},         // top-right
      {{W - 26, 35, 20, H - 59}, {180, 35, 20, 103}},  // right edge
      {{W - 26, H - 24, 20, 18}, {180, 138, 20, 18}},  // bottom-right
      {{20, H - 24, W - 46, 18}, {20, 138, 160, 18}},  // bottom edge
      {{0, H - 24, 20, 18}, {0, 138, 20, 18}},         // bottom-left
      {{0, 18, 20, H - 42}, {0, 18, 20, 120}},         // left edge
  };
  if (!border.isNull())
    for (const Piece& p : pieces) orvane::ui::DrawBitmapPart(painter, p.to, border, p.from);
  painter.fillRect(20, 18, W - 46, H - 42, Qt::black);
}

bool CVideoFrameWnd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_client) {
    if (event->type() == QEvent::Paint) {
      OnPaint();
      return true;
    }
    if (event->type() == WindowMessageEvent::EventType() &&
        static_cast<WindowMessageEvent*>(event)->message() == WM_CAPTURE_GRAPH_EVENT) {
      HandleCaptureEvents(m_client);
      return true;
    }
  }
  return CDialog::eventFilter(watched, event);
}

void CVideoFrameWnd::closeEvent(QCloseEvent* event) { event->ignore(); }

void CVideoFrameWnd::OnMaxOrg() {
  const QRect screen = Screen();
  const int cx = screen.width(), cy = screen.height();
  if (m_Maximized == 1) {
    setGeometry(cx / 40, cy / 40, cx - 50, cy - 50);
    m_Maximized = 0;
  } else {
    setGeometry(cx / 4, cy / 20, 420, 327);
    m_Maximized = 1;
  }
}

void CVideoFrameWnd::OnMin() {
  if (QWidget* owner = parentWidget()) owner->showMinimized();
}
