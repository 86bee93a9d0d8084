// Paint cost of a full picture strip (255 items, the owners' limit), against
// two baselines measured in the same run: the same strip with no items (the
// cost of a paint as such) and a plain fill of the same area.
//
//   build/bench/bench_titledpicswnd
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/titledpicswnd.h"
#include "platform/ui/windowstyles.h"

namespace {

constexpr int kItems = 255;
constexpr int kRuns = 50;

double MedianMs(const std::function<void()>& paint) {
  paint();  // warm caches and glyphs
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    paint();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct Strip {
  QWidget owner;
  CTitledPicsWnd* strip;
  std::vector<std::unique_ptr<QPixmap>> thumbnails;

  Strip(QSize size, int cellW, int cellH, int items) {
    owner.resize(size + QSize(10, 10));
    strip = new CTitledPicsWnd(CTitledPicsWnd::Look::Velbin());
    strip->Create(nullptr, nullptr,
                  orvane::ui::WS_CHILD | orvane::ui::WS_VISIBLE | orvane::ui::WS_BORDER,
                  QRect(QPoint(0, 0), size), &owner, 1234);
    strip->SetStretch(true);
    strip->SetCellSize(cellW, cellH);
    for (int i = 0; i < items; ++i) {
      // A camera still at thumbnail size, in a few colours.
      auto thumbnail = std::make_unique<QPixmap>(160, 120);
      thumbnail->fill(QColor::fromHsv(i * 37 % 360, 200, 220));
      strip->AddPicture(thumbnail.get(),
                        "C:\\Lumitrex Images\\Photo\\photo" + std::to_string(i) + ".bmp");
      thumbnails.push_back(std::move(thumbnail));
    }
    strip->SetSelection(items - 1);
    strip->UpdateScrollSizes();
    strip->horizontalScrollBar()->setValue(strip->horizontalScrollBar()->maximum());
    owner.show();
    QApplication::processEvents();
  }
};

void Report(const char* what, QSize size, int cellW, int cellH) {
  Strip full(size, cellW, cellH, kItems);
  Strip empty(size, cellW, cellH, 0);
  // The full strip's viewport is the smaller one when its scroll bar shows.
  QImage image(full.strip->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  const double strip = MedianMs([&] { full.strip->viewport()->render(&image); });
  const double bare = MedianMs([&] { empty.strip->viewport()->render(&image); });
  const double fill = MedianMs([&] {
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::black);
  });
  std::printf(
      "%-32s %5dx%-3d  strip %6.3f ms | empty strip %6.3f ms (ratio %5.1f) | fill %6.3f ms\n", what,
      image.width(), image.height(), strip, bare, strip / bare, fill);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  std::printf("median of %d paints, %d items\n", kRuns, kItems);
  // As Velbin shows it: a few cells visible, scrolled to the end.
  Report("Velbin strip (46x58 cells)", QSize(280, 77), 46, 58);
  // Every one of the 255 cells on screen at once.
  Report("all items visible (46x58 cells)", QSize(kItems * 46 + 4, 62), 46, 58);
  return 0;
}
