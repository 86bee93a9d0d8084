#include "platform/dshow/pipewiresession.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace dshow::pipewire {

std::string DaemonSocket() {
  const char* remote = std::getenv("PIPEWIRE_REMOTE");
  const std::string name = remote && *remote ? remote : "pipewire-0";
  if (name.front() == '/') return name;
  for (const char* variable : {"PIPEWIRE_RUNTIME_DIR", "XDG_RUNTIME_DIR"})
    if (const char* dir = std::getenv(variable); dir && *dir) return std::string(dir) + "/" + name;
  return "";
}

bool DaemonAnswers(const std::string& socket) {
  sockaddr_un address{};
  if (socket.empty() || socket.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socket.c_str(), socket.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return answers;
}

}  // namespace dshow::pipewire
