// Where a PipeWire client finds the daemon, and whether one answers there:
// the remote is PIPEWIRE_REMOTE or "pipewire-0", in PIPEWIRE_RUNTIME_DIR,
// else XDG_RUNTIME_DIR, unless it is a path of its own.
#pragma once

#include <string>

namespace dshow::pipewire {

std::string DaemonSocket();
// A daemon accepts a connection on the socket.
bool DaemonAnswers(const std::string& socket);

}  // namespace dshow::pipewire
