// Moving and sizing windows that have no frame of their own, as the skinned
// windows do: a press on a window's client area moves it (a hit on the client
// answered as the caption), and a window with a sizing border (WS_THICKFRAME)
// is resized from it. The window manager does the move or resize where it
// can (X11); elsewhere the helper follows the mouse itself. GUI thread only.
#pragma once

#include <QSize>

class QWidget;

namespace orvane::ui {

// Presses of the left button on area itself (not on its child controls) move
// window. area may be window or a widget inside it.
void DragByClientArea(QWidget* area, QWidget* window);

// A sizing border of width pixels along window's edges and corners; the
// window stays at least minimum in size, the edge being dragged giving way.
void EnableSizingBorder(QWidget* window, int width, QSize minimum);

}  // namespace orvane::ui
