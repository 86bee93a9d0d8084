// What a program tells the desktop about itself before its first window:
// its name (the window manager groups its windows by the desktop-file name),
// its icon, and on a Wayland session the X11 platform through XWayland, since
// the programs place their own windows (the panel docks under the frame
// window) and Wayland lets no client do that.
#pragma once

#include <QIcon>
#include <string>

namespace orvane::ui {

// Before the QApplication: on a Wayland session with XWayland (DISPLAY set)
// and no platform chosen by the user (QT_QPA_PLATFORM), chooses xcb.
void PreferX11OnWayland();

// After the QApplication: application name, desktop-file name, window icon.
void SetApplicationIdentity(const std::string& name, const std::string& desktopFileName,
                            const QIcon& icon);

}  // namespace orvane::ui
