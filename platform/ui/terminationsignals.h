// Ending a program as its own close does when the system asks it to end:
// SIGTERM (a logout, a `kill`), SIGINT (Ctrl+C in its terminal), SIGHUP (its
// terminal went) and the desktop session's end. Whatever is open on top of
// the main window closes first, innermost first, each as its Cancel does;
// then the main window closes, so its close handler runs as usual. A second
// signal while it closes ends the program at once.
#pragma once

class QWidget;

namespace orvane::ui {

// For the main window of the process, before it runs; a later call moves
// the request to another window.
void CloseOnTermination(QWidget* mainWindow);

}  // namespace orvane::ui
