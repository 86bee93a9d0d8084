#include "platform/ui/imagefile.h"

#include <QBuffer>
#include <QImageReader>

#include "platform/system/configfile.h"
#include "platform/system/winpath.h"

namespace orvane::ui {

namespace {
// A 4096 x 4096 24-bit bitmap and then some; the cameras give at most 1280 x 720.
constexpr std::size_t kMaxBitmapBytes = std::size_t{64} << 20;
}  // namespace

QPixmap LoadBitmapFile(const std::string& windowsPath) {
  const std::optional<std::string> host = orvane::winpath::ToHost(windowsPath);
  if (!host) return {};
  // Read as a configuration file is: a FIFO or a huge file is refused.
  const orvane::configfile::ReadResult file = orvane::configfile::Read(*host, kMaxBitmapBytes);
  if (file.status != orvane::configfile::ReadResult::Status::kRead) return {};
  QByteArray bytes = QByteArray::fromStdString(file.bytes);
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "bmp");
  return QPixmap::fromImage(reader.read());
}

}  // namespace orvane::ui
