// CVideoFrameWnd: the caption-less, resizable window that shows the live
// picture inside a border painted from bitmap 130, with two small buttons
// (maximise / original size, minimise the panel). Its initialisation starts
// COM and the engine (LoadSettings), so the preview runs inside it; the
// capture graph's notification (WM_USER + 1) reaches the engine through it.
//
// The window has no frame of the window manager's: the outer widget is the
// 3-pixel sizing border, and the client area is a child widget inside it,
// which is the window handle the engine and the renderer are given, so that
// every coordinate the design gives in client pixels holds as it is.
#pragma once

#include <QRect>
#include <QWidget>

#include "controls/bitmapbutton.h"
#include "platform/ui/dialog.h"
#include "platform/ui/tooltipctrl.h"

class CVideoFrameWnd : public orvane::ui::CDialog {
 public:
  static constexpr int IDD = 129;
  static constexpr int kBorder = 3;  // the sizing border, pixels
  static constexpr QSize kMinimumSize{206, 163};

  explicit CVideoFrameWnd(QWidget* parent);

  // The client area: the window handle of the engine's calls.
  QWidget* client() const { return m_client; }

  QRect m_WindowRect;  // outer rectangle, screen pixels
  int m_Width = 0;
  int m_Height = 0;

 protected:
  BOOL OnInitDialog() override;
  // A modeless window of the panel's: Esc and Enter do not end it, and it
  // goes only with the panel.
  void OnOK() override {}
  void OnCancel() override {}
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void OnPaint();
  void OnSize();
  void OnMaxOrg();
  void OnMin();
  void PlaceButtons();
  void TakeWindowRect();

  QWidget* m_client;
  CToolTipCtrl m_ToolTip;
  CBitmapButton m_BtnMaxOrg;
  CBitmapButton m_BtnMin;
};

// The one frame window of the process, null until the main window creates
// it and again once it is gone.
extern CVideoFrameWnd* g_VideoFrameWnd;
// 1: the next MaxOrg click maximises; 0: it restores the original size.
extern int m_Maximized;
