#include "tests/support/privatepipewire.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace orvane::test {

namespace {

constexpr int kStartTimeoutMs = 10000;

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QThread::msleep(20);
  }
  return true;
}

}  // namespace

std::string PwTestNodePath() {
#ifdef ORVANE_PWTESTNODE
  return ORVANE_PWTESTNODE;
#else
  return "pwtestnode";
#endif
}

PrivatePipeWire::PrivatePipeWire() {
  char pattern[] = "/tmp/orvane-pipewire-XXXXXX";
  if (!mkdtemp(pattern)) {
    m_error = "cannot make a runtime folder";
    return;
  }
  m_dir = pattern;
  chmod(m_dir.c_str(), 0700);
  const std::vector<std::pair<std::string, std::string>> env = {
      {"XDG_RUNTIME_DIR", m_dir},
      {"PIPEWIRE_RUNTIME_DIR", m_dir},
      {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_dir + "/bus"},
      // WirePlumber keeps what it learns (default devices, stream targets)
      // here: nothing of the user's own may leak in, nothing of ours out.
      {"XDG_CONFIG_HOME", m_dir + "/config"},
      {"XDG_STATE_HOME", m_dir + "/state"},
  };
  m_processEnv = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : env) {
    m_env.push_back(std::make_unique<ScopedEnv>(name, value));
    m_processEnv.insert(QString::fromStdString(name), QString::fromStdString(value));
  }
  if (!Start() && m_error.empty()) m_error = "the PipeWire session did not start";
}

PrivatePipeWire::~PrivatePipeWire() {
  for (auto* list : {&m_nodes, &m_daemons}) {
    // The last started goes first: nodes, then wireplumber, pipewire, D-Bus.
    for (auto it = list->rbegin(); it != list->rend(); ++it) {
      if (!*it || (*it)->state() == QProcess::NotRunning) continue;
      (*it)->terminate();
      if (!(*it)->waitForFinished(3000)) (*it)->kill();
      (*it)->waitForFinished(1000);
    }
    list->clear();
  }
  std::error_code ignored;
  if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ignored);
}

QProcess* PrivatePipeWire::Spawn(const QString& program, const QStringList& arguments) {
  auto process = std::make_unique<QProcess>();
  process->setProcessEnvironment(m_processEnv);
  process->setProcessChannelMode(QProcess::MergedChannels);
  process->setStandardOutputFile(QString::fromStdString(m_dir) + "/" +
                                 QFileInfo(program).fileName() + ".log");
  process->start(program, arguments);
  if (!process->waitForStarted(5000)) {
    m_error = program.toStdString() + " could not be started: " +
              process->errorString().toStdString();
    return nullptr;
  }
  m_daemons.push_back(std::move(process));
  return m_daemons.back().get();
}

bool PrivatePipeWire::Start() {
  for (const char* program : {"dbus-daemon", "pipewire", "wireplumber", "pw-cli"}) {
    if (QStandardPaths::findExecutable(program).isEmpty()) {
      m_error = std::string(program) + " is not installed (scripts/setup installs it)";
      return false;
    }
  }
  if (!Spawn("dbus-daemon",
             {"--session", "--nofork", "--nopidfile",
              QString::fromStdString("--address=unix:path=" + m_dir + "/bus")}))
    return false;
  const std::string bus = m_dir + "/bus", socket = m_dir + "/pipewire-0";
  if (!WaitFor([&] { return access(bus.c_str(), F_OK) == 0; }, kStartTimeoutMs)) {
    m_error = "the D-Bus session bus did not come up";
    return false;
  }
  if (!Spawn("pipewire", {})) return false;
  if (!WaitFor([&] { return access(socket.c_str(), F_OK) == 0; }, kStartTimeoutMs)) {
    m_error = "pipewire did not open its socket (see " + m_dir + "/pipewire.log)";
    return false;
  }
  if (!Spawn("wireplumber", {})) return false;
  if (!WaitForSessionManager()) {
    m_error = "wireplumber did not come up (see " + m_dir + "/wireplumber.log)";
    return false;
  }
  return true;
}

// WirePlumber links streams to nodes; it is ready once it has published the
// default-nodes metadata.
bool PrivatePipeWire::WaitForSessionManager() {
  return WaitFor(
      [&] {
        QProcess cli;
        cli.setProcessEnvironment(m_processEnv);
        cli.start("pw-cli", {"ls", "Metadata"});
        cli.waitForFinished(3000);
        return cli.readAllStandardOutput().contains("\"default\"");
      },
      kStartTimeoutMs);
}

int PrivatePipeWire::Publish(const std::vector<std::string>& arguments) {
  if (!running()) return -1;
  auto node = std::make_unique<QProcess>();
  node->setProcessEnvironment(m_processEnv);
  node->setStandardErrorFile(QString::fromStdString(m_dir) + "/pwtestnode-" +
                             QString::number(m_nodes.size()) + ".log");
  QStringList args;
  for (const std::string& a : arguments) args << QString::fromStdString(a);
  node->start(QString::fromStdString(PwTestNodePath()), args);
  if (!node->waitForStarted(5000)) return -1;
  const bool ready = WaitFor(
      [&] {
        node->waitForReadyRead(20);
        return node->state() == QProcess::NotRunning ||
               node->peek(1 << 16).contains("ready");
      },
      kStartTimeoutMs);
  if (!ready || node->state() == QProcess::NotRunning) return -1;
  m_nodes.push_back(std::move(node));
  return static_cast<int>(m_nodes.size()) - 1;
}

std::string PrivatePipeWire::Unpublish(int node) {
  if (node < 0 || node >= static_cast<int>(m_nodes.size()) || !m_nodes[node]) return "";
  m_nodes[node]->terminate();
  if (!m_nodes[node]->waitForFinished(3000)) m_nodes[node]->kill();
  return m_nodes[node]->readAllStandardOutput().toStdString();
}

bool PrivatePipeWire::AddVirtualSource(const std::string& description) {
  if (!running()) return false;
  QProcess cli;
  cli.setProcessEnvironment(m_processEnv);
  cli.start("pw-cli",
            {"create-node", "adapter",
             QString::fromStdString("{ factory.name=support.null-audio-sink "
                                    "node.name=orvane.virtual.source node.description=\"" +
                                    description +
                                    "\" media.class=Audio/Source/Virtual "
                                    "audio.position=[MONO] object.linger=true }")});
  return cli.waitForFinished(5000) && cli.exitCode() == 0;
}

}  // namespace orvane::test
