// iconsizes: writes a program icon in the desktop's standard sizes, for
// installing into the hicolor icon theme.
//
//   iconsizes ICON.png NAME OUTDIR   ->  OUTDIR/<N>x<N>/apps/NAME.png
#include <QDir>
#include <QImage>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: iconsizes ICON.png NAME OUTDIR\n");
    return 2;
  }
  const QImage icon(QString::fromLocal8Bit(argv[1]));
  if (icon.isNull()) {
    std::fprintf(stderr, "iconsizes: cannot read %s\n", argv[1]);
    return 1;
  }
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString dir =
        QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[3])).arg(size);
    const QString file = dir + '/' + QString::fromLocal8Bit(argv[2]) + ".png";
    const QImage scaled = icon.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!QDir().mkpath(dir) || !scaled.save(file, "PNG")) {
      std::fprintf(stderr, "iconsizes: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
