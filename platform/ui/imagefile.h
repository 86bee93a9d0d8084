// LoadImage with LR_LOADFROMFILE for bitmaps: a BMP file at a Windows path,
// in its natural size. GUI thread (a QPixmap).
#pragma once

#include <QPixmap>
#include <string>

namespace orvane::ui {

// The picture of the BMP file at windowsPath; a null pixmap when the file is
// missing, no regular file, too large or no bitmap Qt can decode.
QPixmap LoadBitmapFile(const std::string& windowsPath);

}  // namespace orvane::ui
