#include "tools/orvane-probe/capturewindowcommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/system/winpath.h"
#include "platform/vfw/capturewindow.h"

int DriversCommand() {
  char name[160], version[80];
  for (WORD index = 0; capGetDriverDescriptionA(index, name, sizeof name, version, sizeof version);
       ++index)
    std::printf("%u %s, %s\n", index, name, version);
  return 0;
}

namespace {

int Fail(const std::string& what) {
  std::fprintf(stderr, "orvane-probe: %s\n", what.c_str());
  return 1;
}

void Wait(qint64 ms, HWND window, bool untilIdle) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
    if (untilIdle) {
      CAPSTATUS status{};
      SendMessage(window, WM_CAP_GET_STATUS, sizeof status, reinterpret_cast<LPARAM>(&status));
      if (!status.fCapturingNow) return;
    }
  }
}

}  // namespace

int SequenceCommand(int argc, char** argv) {
  int driver = -1, fps = 0;
  double seconds = -1;
  bool audio = false;
  std::string out;
  for (int i = 2; i < argc; ++i) {
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (!std::strcmp(argv[i], "--driver") && (v = value()))
      driver = std::atoi(v);
    else if (!std::strcmp(argv[i], "--seconds") && (v = value()))
      seconds = std::atof(v);
    else if (!std::strcmp(argv[i], "--out") && (v = value()))
      out = v;
    else if (!std::strcmp(argv[i], "--fps") && (v = value()))
      fps = std::atoi(v);
    else if (!std::strcmp(argv[i], "--audio"))
      audio = true;
    else
      return 2;
  }
  if (driver < 0 || seconds <= 0 || out.empty() || fps < 0) return 2;

  QWidget parent;
  HWND window = capCreateCaptureWindowA("Video Capture Window", kCapWsChild | kCapWsVisible, 0, 0,
                                        160, 120, &parent, 1);
  if (!SendMessage(window, WM_CAP_DRIVER_CONNECT, static_cast<WPARAM>(driver), 0))
    return Fail("cannot connect driver " + std::to_string(driver));
  SendMessage(window, WM_CAP_SET_PREVIEW, 1, 0);
  const std::string file = orvane::winpath::FromHost(out);
  if (!SendMessage(window, WM_CAP_FILE_SET_CAPTURE_FILEA, 0,
                   reinterpret_cast<LPARAM>(file.c_str())))
    return Fail("cannot write to " + out);

  CAPTUREPARMS params{};
  SendMessage(window, WM_CAP_GET_SEQUENCE_SETUP, sizeof params, reinterpret_cast<LPARAM>(&params));
  if (fps) params.dwRequestMicroSecPerFrame = static_cast<DWORD>(1000000 / fps);
  params.fYield = TRUE;
  params.fCaptureAudio = audio;
  params.fAbortLeftMouse = params.fAbortRightMouse = FALSE;
  params.vKeyAbort = 0;
  const bool whole = seconds == std::floor(seconds);
  params.fLimitEnabled = whole;
  params.wTimeLimit = whole ? static_cast<UINT>(seconds) : 0;
  SendMessage(window, WM_CAP_SET_SEQUENCE_SETUP, sizeof params, reinterpret_cast<LPARAM>(&params));

  QElapsedTimer took;
  took.start();
  if (!SendMessage(window, WM_CAP_SEQUENCE, 0, 0)) return Fail("the sequence did not start");
  const qint64 ms = static_cast<qint64>(seconds * 1000);
  if (whole) {
    Wait(ms + 5000, window, true);  // the window's own limit ends it
  } else {
    Wait(ms, window, false);
    SendMessage(window, WM_CAP_STOP, 0, 0);
  }
  CAPSTATUS status{};
  SendMessage(window, WM_CAP_GET_STATUS, sizeof status, reinterpret_cast<LPARAM>(&status));
  if (status.fCapturingNow) return Fail("the sequence did not end at its limit");
  std::printf("%u frames in %.2f s%s\n", status.dwCurrentVideoFrame, took.elapsed() / 1000.0,
              whole ? " (time limit)" : "");
  if (status.dwReturn) {
    std::fprintf(stderr, "orvane-probe: the sequence failed (error %x)\n", status.dwReturn);
    return 1;
  }
  return 0;
}
