#include "tests/support/testprefix.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace orvane::test {

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : m_name(std::move(name)) {
  if (const char* old = std::getenv(m_name.c_str())) m_old = old;
  if (value)
    setenv(m_name.c_str(), value->c_str(), 1);
  else
    unsetenv(m_name.c_str());
}

ScopedEnv::~ScopedEnv() {
  if (m_old)
    setenv(m_name.c_str(), m_old->c_str(), 1);
  else
    unsetenv(m_name.c_str());
}

TempPrefix::TempPrefix() {
  std::string tmpl = (fs::temp_directory_path() / "orvane-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  m_root = tmpl;
  fs::create_directories(driveC());
  m_env.emplace("ORVANE_PREFIX", m_root);
}

TempPrefix::~TempPrefix() {
  m_env.reset();
  std::error_code ec;
  // Tests make folders read-only to provoke failures; give write access back first.
  for (auto it = fs::recursive_directory_iterator(m_root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(m_root, ec);
}

}  // namespace orvane::test
