#include "platform/ui/terminationsignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <csignal>

namespace orvane::ui {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int g_wake[2] = {-1, -1};  // the handler writes, the GUI thread reads
volatile sig_atomic_t g_ending = 0;
QPointer<QWidget> g_main;  // GUI thread

void OnSignal(int signal) {
  if (g_ending) {
    // Asked again while closing: end now, as the signal would have.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return;
  }
  g_ending = 1;
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_wake[1], &byte, 1);
  errno = saved;
}

// Closes the innermost window above the main one and lets its loop return
// before coming back for the next; the main window last.
void Unwind() {
  if (!g_main) return;
  QWidget* top = QApplication::activePopupWidget();
  if (!top) top = QApplication::activeModalWidget();
  if (top && top != g_main) {
    if (auto* dialog = qobject_cast<QDialog*>(top))
      dialog->reject();
    else
      top->close();
    QTimer::singleShot(0, g_main, &Unwind);
    return;
  }
  g_main->close();
}

}  // namespace

void CloseOnTermination(QWidget* mainWindow) {
  g_main = mainWindow;
  g_ending = 0;
  if (g_wake[0] < 0) {
    if (::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_wake[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
      char bytes[16];
      while (::read(g_wake[0], bytes, sizeof bytes) > 0) {
      }
      Unwind();
    });
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [](QSessionManager&) { Unwind(); });
  }
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace orvane::ui
