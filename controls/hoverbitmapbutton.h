// CHoverBitmapButton: an owner-drawn push button that shows a picture and its
// caption, lights up under the mouse (a raised frame and the hot picture),
// looks pressed while the left button is held on it, and sends BN_CLICKED
// to its parent on every left-button release that reaches it.
//
// It sees the mouse leave by grabbing the mouse while it is over it. The
// object is a plain member of its owner; SubclassDlgItem attaches it to the
// dialog's control, which keeps its template size.
#pragma once

#include <QPixmap>
#include <QRect>
#include <optional>

#include "controls/subclassedbutton.h"
#include "platform/system/wintypes.h"
#include "platform/ui/resourceid.h"

class QMouseEvent;
class QPainter;

class CHoverBitmapButton : public SubclassedButton {
 public:
  enum Frame { kFlat, kSunken, kRaised };

  CHoverBitmapButton() = default;
  // Gives the mouse back if it still holds it: a grab outliving the object
  // would leave the whole program without mouse input elsewhere.
  ~CHoverBitmapButton() override;

  // FALSE, with nothing attached, when parent has no button of that id. A
  // control attached before is let go first, its grab given up.
  BOOL SubclassDlgItem(UINT id, QWidget* parent);

  // Frees all pictures, then loads normal, hot and disabled in that order;
  // FALSE at the first one that cannot be loaded (normal is required).
  BOOL LoadHoverBitmaps(const orvane::ui::ResourceId& normal,
                        const std::optional<orvane::ui::ResourceId>& hot = std::nullopt,
                        const std::optional<orvane::ui::ResourceId>& disabled = std::nullopt);
  // 0 picture right of the caption, 1 picture left of it, 2 picture above the
  // caption at the bottom, 3 picture below the caption at the top. No repaint.
  void SetImageLayout(int mode) { m_layout = mode; }

  int layout() const { return m_layout; }
  bool hot() const { return m_hot; }
  bool focused() const { return m_focused; }
  bool buttonDown() const { return m_buttonDown; }
  Frame frame() const { return m_frame; }
  bool tracking() const { return m_tracking; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool OnMouse(QEvent* event);
  void OnMouseMove(const QMouseEvent& event);
  void OnLeftButtonDown();
  void OnLeftButtonUp();
  void OnLeftButtonDoubleClick();
  void OnSetFocus();
  void OnKillFocus();
  void Leave();
  void EndTracking();
  void Repaint();
  void Draw();
  void DrawAlignedBitmap(QPainter& painter, const QRect& rect, Qt::Orientations axes,
                         const QPixmap& bitmap) const;

  QPixmap m_normal;
  QPixmap m_hotBitmap;
  QPixmap m_disabled;
  int m_layout = 0;
  bool m_hot = false;
  bool m_focused = false;
  bool m_buttonDown = false;
  Frame m_frame = kFlat;
  bool m_tracking = false;
};
