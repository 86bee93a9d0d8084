#include "platform/ui/resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmapCache>
#include <map>

namespace orvane::ui {

namespace {

const ResourceModule* g_module = nullptr;

// Upper-case key -> resource path, per module: the bitmaps, and their twins
// drawn at twice the resolution ("NAME@2x.bmp"). The Qt resource tree is
// listed once: it is in memory and fixed for the program's life.
using BitmapIndex = std::map<std::string, QString>;
struct BitmapIndexes {
  BitmapIndex normal;
  BitmapIndex doubled;
};

const BitmapIndexes& IndexOf(const ResourceModule& module) {
  static std::map<const ResourceModule*, BitmapIndexes> indexes;
  auto found = indexes.find(&module);
  if (found != indexes.end()) return found->second;
  BitmapIndexes& index = indexes[&module];
  const QDir dir(QString::fromStdString(module.root) + "/bitmaps");
  for (const QFileInfo& info : dir.entryInfoList({"*.bmp", "*.BMP"}, QDir::Files)) {
    QString name = info.completeBaseName();
    const bool doubled = name.endsWith(QLatin1String("@2x"), Qt::CaseInsensitive);
    if (doubled) name.chop(3);
    (doubled ? index.doubled : index.normal)
        .emplace(ResourceId(name.toStdString()).Key(), info.filePath());
  }
  return index;
}

QString BitmapPath(const ResourceId& id, bool doubled = false) {
  if (!g_module || id.Key().empty()) return {};
  const BitmapIndexes& indexes = IndexOf(*g_module);
  const BitmapIndex& index = doubled ? indexes.doubled : indexes.normal;
  auto found = index.find(id.Key());
  return found == index.end() ? QString() : found->second;
}

}  // namespace

void SetResourceModule(const ResourceModule* module) { g_module = module; }

const ResourceModule* CurrentResourceModule() { return g_module; }

QImage LoadBitmapImage(const ResourceId& id) {
  const QString path = BitmapPath(id);
  if (path.isEmpty()) return {};
  return QImage(path, "BMP");
}

QPixmap LoadBitmap(const ResourceId& id) {
  // Where any screen draws more than one pixel per pixel, the twin drawn at
  // twice the resolution, as a high-resolution pixmap of the same size.
  // Panels paint their bitmaps at every repaint: each file is decoded once.
  const bool doubled = qGuiApp && qGuiApp->devicePixelRatio() > 1 && !BitmapPath(id, true).isEmpty();
  const QString path = BitmapPath(id, doubled);
  if (path.isEmpty()) return {};
  QPixmap pixmap;
  if (QPixmapCache::find(path, &pixmap)) return pixmap;
  QImage image(path, "BMP");
  if (image.isNull()) return {};
  if (doubled) image.setDevicePixelRatio(2);
  pixmap = QPixmap::fromImage(image);
  QPixmapCache::insert(path, pixmap);
  return pixmap;
}

void DrawBitmapPart(QPainter& painter, const QRect& target, const QPixmap& bitmap,
                    const QRect& source) {
  const qreal ratio = bitmap.devicePixelRatio();
  painter.drawPixmap(QRectF(target), bitmap,
                     QRectF(QPointF(source.topLeft()) * ratio, QSizeF(source.size()) * ratio));
}

QByteArray LoadBitmapData(const ResourceId& id) {
  const QString path = BitmapPath(id);
  if (path.isEmpty()) return {};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

std::string LoadStringResource(UINT id) {
  if (!g_module) return {};
  auto found = g_module->strings.find(id);
  return found == g_module->strings.end() ? std::string() : found->second;
}

const MenuTemplate* FindMenuResource(int id) {
  if (!g_module) return nullptr;
  for (const MenuTemplate& menu : g_module->menus)
    if (menu.id == id) return &menu;
  return nullptr;
}

const DialogTemplate* FindDialogTemplate(int id) {
  if (!g_module) return nullptr;
  for (const DialogTemplate& dialog : g_module->dialogs)
    if (dialog.id == id) return &dialog;
  return nullptr;
}

QIcon LoadIconResource(int id) {
  if (!g_module || id < 0) return {};
  const QString path =
      QString::fromStdString(g_module->root) + QStringLiteral("/icons/%1.png").arg(id);
  if (!QFileInfo::exists(path)) return {};
  return QIcon(path);
}

}  // namespace orvane::ui
