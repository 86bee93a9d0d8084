// Measuring helpers the benchmarks share: CPU time, medians, waits that
// cost nothing, frame counts read back by ffprobe.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

inline double CpuSeconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline double SelfCpu() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return CpuSeconds(u);
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Waits in the event loop without polling, so the wait itself costs nothing.
inline void Idle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop,
                     &QEventLoop::quit);  // a coarse one fires up to 5% early
  loop.exec();
}

inline void Pump(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
}

// Runs a program (gst-launch-1.0, say) to its end; the CPU seconds it used.
inline double RunMeasured(std::vector<std::string> args) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  return CpuSeconds(usage);
}

inline long FramesIn(const std::string& file) {
  std::string command =
      "ffprobe -v error -select_streams v:0 -count_packets -show_entries "
      "stream=nb_read_packets -of csv=p=0 '" +
      file + "'";
  long frames = -1;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    if (std::fscanf(pipe, "%ld", &frames) != 1) frames = -1;
    pclose(pipe);
  }
  return frames;
}

}  // namespace bench
