// A private PipeWire session for one test process (tests only): its own
// runtime folder, D-Bus session bus, pipewire and wireplumber daemons, and
// the cameras and microphones pwtestnode publishes on it.
//
// It must start before anything lists devices: GStreamer's device providers
// start once per process and stay with the daemon they found. It sets
// XDG_RUNTIME_DIR (and the bus address) for the process, so GStreamer's
// PipeWire plugin connects to it.
#pragma once

#include <QProcess>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/testprefix.h"

namespace orvane::test {

class PrivatePipeWire {
 public:
  PrivatePipeWire();
  ~PrivatePipeWire();
  PrivatePipeWire(const PrivatePipeWire&) = delete;
  PrivatePipeWire& operator=(const PrivatePipeWire&) = delete;

  // Whether the daemons run; why not when they do not.
  bool running() const { return m_error.empty(); }
  const std::string& error() const { return m_error; }

  // Starts pwtestnode with these arguments ("--camera", "Name", ...) and
  // waits until GStreamer lists what it publishes (the names given with
  // --camera and --microphone). Returns the node process's index, or -1.
  int Publish(const std::vector<std::string>& arguments);
  // Ends a node process (as an unplugged device goes); what it printed.
  std::string Unpublish(int node);
  // Creates a virtual source node (class Audio/Source/Virtual) of that name
  // through pw-cli, as a desktop's loopback or echo-cancel module makes one.
  bool AddVirtualSource(const std::string& description);

 private:
  bool Start();
  QProcess* Spawn(const QString& program, const QStringList& arguments);
  bool WaitForSessionManager();

  std::string m_dir;
  std::string m_error;
  std::vector<std::unique_ptr<ScopedEnv>> m_env;
  QProcessEnvironment m_processEnv;
  std::vector<std::unique_ptr<QProcess>> m_daemons;
  std::vector<std::unique_ptr<QProcess>> m_nodes;
};

// The path of the pwtestnode program built with the tests.
std::string PwTestNodePath();

}  // namespace orvane::test
