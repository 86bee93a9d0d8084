// skinart: draws the skin bitmaps and icons of both programs into the
// resources folders.
//
//   skinart <resources folder> [--sheet <png>]
//
// Writes <folder>/<program>/bitmaps/<name>.bmp (24-bit, uncompressed), its
// twin <name>@2x.bmp drawn at twice the resolution for 200% desktops, and
// <folder>/<program>/icons/128.png; with --sheet also a contact sheet of all
// of them. The layouts come from the programs' dialog templates and this
// machine's dialog fonts.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <cstdio>
#include <cstdlib>

#include "tools/skinart/canvas.h"
#include "tools/skinart/contactsheet.h"
#include "tools/skinart/palette.h"
#include "tools/skinart/skins.h"

namespace {

bool WriteBmp(const QString& path, const QImage& image) {
  // Qt writes RGB32 images as 24-bit BI_RGB files, the format the skins use.
  QImageWriter writer(path, "BMP");
  if (!writer.write(image.convertToFormat(QImage::Format_RGB32))) {
    std::fprintf(stderr, "skinart: %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
    return false;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray header = file.read(32);
  if (header.size() < 32 || header[28] != 24 || header[30] != 0) {
    std::fprintf(stderr, "skinart: %s: not written as 24-bit BI_RGB\n", qPrintable(path));
    return false;
  }
  return true;
}

bool WriteProgram(const QString& folder, const skinart::ArtSet& art, const skinart::ArtSet& art2x,
                  const QImage& icon) {
  if (!QDir().mkpath(folder + "/bitmaps") || !QDir().mkpath(folder + "/icons")) {
    std::fprintf(stderr, "skinart: cannot create folders under %s\n", qPrintable(folder));
    return false;
  }
  bool ok = true;
  for (const skinart::Artwork& item : art)
    ok = WriteBmp(folder + "/bitmaps/" + item.name + ".bmp", item.image) && ok;
  for (const skinart::Artwork& item : art2x)
    ok = WriteBmp(folder + "/bitmaps/" + item.name + "@2x.bmp", item.image) && ok;
  if (!icon.save(folder + "/icons/128.png", "PNG")) {
    std::fprintf(stderr, "skinart: cannot write the icon under %s\n", qPrintable(folder));
    ok = false;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  // Fonts need a GUI application, a display does not.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 2 && !(args.size() == 4 && args[2] == "--sheet")) {
    std::fprintf(stderr, "usage: skinart <resources folder> [--sheet <png>]\n");
    return 2;
  }
  const QString root = args[1];
  const skinart::ArtSet velbin = skinart::DrawVelbinSkin();
  const skinart::ArtSet tarrow = skinart::DrawTarrowSkin();
  skinart::SetDrawingScale(2);
  const skinart::ArtSet velbin2x = skinart::DrawVelbinSkin();
  const skinart::ArtSet tarrow2x = skinart::DrawTarrowSkin();
  skinart::SetDrawingScale(1);
  bool ok = WriteProgram(root + "/velbin", velbin, velbin2x,
                         skinart::DrawProgramIcon(skinart::VelbinPalette()));
  ok = WriteProgram(root + "/tarrow", tarrow, tarrow2x,
                    skinart::DrawProgramIcon(skinart::TarrowPalette())) &&
       ok;
  if (args.size() == 4) {
    const skinart::ArtSet icons{{"128 velbin", skinart::DrawProgramIcon(skinart::VelbinPalette())},
                                {"128 tarrow", skinart::DrawProgramIcon(skinart::TarrowPalette())}};
    const QImage sheet =
        skinart::ContactSheet({{"Velbin", &velbin}, {"Tarrow", &tarrow}, {"Icons", &icons}});
    if (!sheet.save(args[3], "PNG")) {
      std::fprintf(stderr, "skinart: cannot write %s\n", qPrintable(args[3]));
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
