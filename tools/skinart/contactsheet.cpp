#include "tools/skinart/contactsheet.h"

#include <QPainter>

#include "tools/skinart/buttonface.h"

namespace skinart {

namespace {

// Small faces are blown up more so their pixels can be judged.
int ScaleFor(const QImage& image) {
  const int side = std::max(image.width(), image.height());
  return side <= 24 ? 5 : side <= 64 ? 3 : side <= 160 ? 2 : 1;
}

}  // namespace

QImage ContactSheet(const std::vector<std::pair<QString, const ArtSet*>>& sets) {
  const int width = 1400;
  const int gap = 14;
  const int labelHeight = 14;
  // Lay out first to know the height.
  struct Placed {
    const Artwork* art;
    QRect rect;
  };
  std::vector<Placed> placed;
  std::vector<std::pair<QString, int>> headings;
  int y = gap;
  for (const auto& [title, set] : sets) {
    headings.emplace_back(title, y);
    y += 24;
    int x = gap;
    int rowHeight = 0;
    for (const Artwork& art : *set) {
      const int scale = ScaleFor(art.image);
      const QSize size = art.image.size() * scale;
      if (x + size.width() > width - gap) {
        x = gap;
        y += rowHeight + labelHeight + gap;
        rowHeight = 0;
      }
      placed.push_back({&art, QRect(QPoint(x, y), size)});
      x += std::max(size.width(), 96) + gap;
      rowHeight = std::max(rowHeight, size.height());
    }
    y += rowHeight + labelHeight + gap * 2;
  }
  QImage sheet(width, y, QImage::Format_RGB32);
  sheet.fill(QColor(0x50, 0x54, 0x5a));
  QPainter p(&sheet);
  p.setFont(LabelFont(16, true));
  p.setPen(Qt::white);
  for (const auto& [title, top] : headings) p.drawText(QPoint(gap, top + 17), title);
  p.setFont(LabelFont(11, false));
  for (const Placed& item : placed) {
    p.drawImage(item.rect, item.art->image);
    const QString label = QString("%1 %2x%3")
                              .arg(item.art->name)
                              .arg(item.art->image.width())
                              .arg(item.art->image.height());
    p.drawText(QRect(item.rect.left(), item.rect.bottom() + 2, 160, labelHeight),
               Qt::AlignLeft | Qt::AlignTop, label);
  }
  return sheet;
}

}  // namespace skinart
