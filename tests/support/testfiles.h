// Test helpers for files on the host side.
#pragma once

#include <string>

namespace orvane::test {

// The host path of a program's path ("C:\\x.avi"), or "" when it has none.
std::string HostPath(const std::string& windowsPath);
// Writes bytes to a host path, creating parent folders.
void WriteHostFile(const std::string& hostPath, const std::string& bytes);
// The bytes of a host file, or "" when it cannot be read.
std::string ReadHostFile(const std::string& hostPath);
bool HostExists(const std::string& hostPath);
// Writes an executable shell script (a stand-in program) with the given body
// after a "#!/bin/sh" line.
void WriteScript(const std::string& hostPath, const std::string& body);

}  // namespace orvane::test
