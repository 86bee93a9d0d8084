// Pictograms drawn into a box, scaled to it: the symbols on the skin's faces.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace skinart {

enum class Pictogram {
  kRecord,  // filled dot
  kStop,    // square
  kCamera,
  kGear,
  kTimer,  // stopwatch: sequential photos
  kEnvelope,
  kEye,
  kPencil,
  kBin,
  kBinAll,  // bin with a stack behind it
  kPower,
  kInfo,
  kChat,  // two speech bubbles
  kMaximize,
  kMinimize,
  kQuestion,
  kExit,  // door with an arrow
  kChevronRight,
  kChevronLeft,
  kSliders,
  kFolder,
};

// Draws the pictogram in colour, antialiased, fitted into box.
void DrawPictogram(QPainter& painter, Pictogram pictogram, const QRectF& box, const QColor& colour);

}  // namespace skinart
