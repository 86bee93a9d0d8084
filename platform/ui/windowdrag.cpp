#include "platform/ui/windowdrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace orvane::ui {

namespace {

// Follows the mouse from a press until the release, moving or resizing the
// window: the way when the window manager takes no move or resize request.
class Tracker : public QObject {
 public:
  Tracker(QWidget* watched, QWidget* window, int border, QSize minimum)
      : QObject(watched), m_window(window), m_border(border), m_minimum(minimum) {
    watched->installEventFilter(this);
    if (border > 0) watched->setMouseTracking(true);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
      case QEvent::MouseButtonPress: return Press(widget, static_cast<QMouseEvent*>(event));
      case QEvent::MouseMove: return Move(widget, static_cast<QMouseEvent*>(event));
      case QEvent::MouseButtonRelease:
        if (!m_active) return false;
        m_active = false;
        return true;
      default: return false;
    }
  }

 private:
  Qt::Edges EdgesAt(const QPoint& at) const {
    Qt::Edges edges;
    if (m_border <= 0) return edges;
    const QRect r = m_window->rect();
    if (at.x() < m_border) edges |= Qt::LeftEdge;
    if (at.x() >= r.width() - m_border) edges |= Qt::RightEdge;
    if (at.y() < m_border) edges |= Qt::TopEdge;
    if (at.y() >= r.height() - m_border) edges |= Qt::BottomEdge;
    return edges;
  }

  bool Press(QWidget* widget, QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return false;
    // Only the area itself: its controls take their own presses.
    if (widget->childAt(event->position().toPoint())) return false;
    m_edges = EdgesAt(widget->mapTo(m_window, event->position().toPoint()));
    if (m_border > 0 && !m_edges) return false;  // the sizing border's filter: only its edges
    QWindow* handle = m_window->windowHandle();
    const bool system =
        handle && (m_edges ? handle->startSystemResize(m_edges) : handle->startSystemMove());
    if (system) return true;
    m_active = true;
    m_start = event->globalPosition().toPoint();
    m_geometry = m_window->geometry();
    return true;
  }

  bool Move(QWidget* widget, QMouseEvent* event) {
    if (!m_active) {
      if (m_border > 0) UpdateCursor(widget, event->position().toPoint());
      return false;
    }
    const QPoint delta = event->globalPosition().toPoint() - m_start;
    if (!m_edges) {
      m_window->move(m_geometry.topLeft() + delta);
      return true;
    }
    QRect g = m_geometry;
    if (m_edges & Qt::LeftEdge)
      g.setLeft(std::min(g.left() + delta.x(), g.right() + 1 - m_minimum.width()));
    if (m_edges & Qt::RightEdge)
      g.setRight(std::max(g.right() + delta.x(), g.left() + m_minimum.width() - 1));
    if (m_edges & Qt::TopEdge)
      g.setTop(std::min(g.top() + delta.y(), g.bottom() + 1 - m_minimum.height()));
    if (m_edges & Qt::BottomEdge)
      g.setBottom(std::max(g.bottom() + delta.y(), g.top() + m_minimum.height() - 1));
    m_window->setGeometry(g);
    return true;
  }

  void UpdateCursor(QWidget* widget, const QPoint& at) {
    const Qt::Edges e = EdgesAt(widget->mapTo(m_window, at));
    const bool diagonal =
        (e & (Qt::LeftEdge | Qt::RightEdge)) && (e & (Qt::TopEdge | Qt::BottomEdge));
    if (!e) {
      widget->unsetCursor();
    } else if (diagonal) {
      const bool falling =
          e == (Qt::LeftEdge | Qt::TopEdge) || e == (Qt::RightEdge | Qt::BottomEdge);
      widget->setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    } else {
      widget->setCursor(e & (Qt::LeftEdge | Qt::RightEdge) ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    }
  }

  QWidget* m_window;
  int m_border;
  QSize m_minimum;
  bool m_active = false;
  Qt::Edges m_edges;
  QPoint m_start;
  QRect m_geometry;
};

}  // namespace

void DragByClientArea(QWidget* area, QWidget* window) {
  if (area && window) new Tracker(area, window, 0, QSize());
}

void EnableSizingBorder(QWidget* window, int width, QSize minimum) {
  if (!window || width <= 0) return;
  window->setMinimumSize(minimum);
  new Tracker(window, window, width, minimum);
}

}  // namespace orvane::ui
