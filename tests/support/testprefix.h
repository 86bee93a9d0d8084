// Test helpers: a private ORVANE_PREFIX per test, and scoped environment changes.
#pragma once

#include <optional>
#include <string>

namespace orvane::test {

// Sets an environment variable for the lifetime of the object (or unsets it
// when value is nothing) and restores the old value afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// A fresh temporary folder made the ORVANE_PREFIX; drive_c exists in it.
// Everything is removed again (made writable first) when the object goes.
class TempPrefix {
 public:
  TempPrefix();
  ~TempPrefix();
  TempPrefix(const TempPrefix&) = delete;
  TempPrefix& operator=(const TempPrefix&) = delete;

  const std::string& root() const { return m_root; }          // the prefix folder
  std::string driveC() const { return m_root + "/drive_c"; }  // host folder of C:
  std::string path(const std::string& relative) const { return m_root + "/" + relative; }

 private:
  std::string m_root;
  std::optional<ScopedEnv> m_env;
};

}  // namespace orvane::test
