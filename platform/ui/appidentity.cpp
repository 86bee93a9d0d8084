#include "platform/ui/appidentity.h"

#include <QGuiApplication>
#include <cstdlib>

namespace orvane::ui {

void PreferX11OnWayland() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* x11 = std::getenv("DISPLAY");
  if (wayland && *wayland && x11 && *x11 && !std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "xcb", 0);
}

void SetApplicationIdentity(const std::string& name, const std::string& desktopFileName,
                            const QIcon& icon) {
  QGuiApplication::setApplicationName(QString::fromStdString(name));
  QGuiApplication::setDesktopFileName(QString::fromStdString(desktopFileName));
  if (!icon.isNull()) QGuiApplication::setWindowIcon(icon);
}

}  // namespace orvane::ui
