#include "platform/system/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLoggingCategory>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/system/configfile.h"
#include "platform/system/prefix.h"
#include "platform/system/regfile.h"

namespace rf = orvane::regfile;

namespace {

Q_LOGGING_CATEGORY(lcRegistry, "orvane.registry")

// Access rights that would change the registry; any of them is refused.
constexpr REGSAM kWriteRights = 0x00000002     // KEY_SET_VALUE
                                | 0x00000004   // KEY_CREATE_SUB_KEY
                                | 0x00000020   // KEY_CREATE_LINK
                                | 0x00010000   // DELETE
                                | 0x00040000   // WRITE_DAC
                                | 0x00080000   // WRITE_OWNER
                                | 0x10000000   // GENERIC_ALL
                                | 0x40000000;  // GENERIC_WRITE

// No hand-written or exported file of the entries the programs read comes
// near this; a bigger one reads as an empty registry rather than filling
// memory (and says so once in the "orvane.config" log).
constexpr std::size_t kMaxFileSize = std::size_t{16} << 20;

// Handles are numbers from here on, never pointers, so a closed handle is
// recognised as long as the count has not wrapped; they stay below the roots.
constexpr UINT_PTR kFirstHandle = 0x1000;
constexpr UINT_PTR kLastHandle = 0x7FFFFFFC;
constexpr UINT_PTR kHandleStep = 4;

std::optional<rf::Root> PredefinedRoot(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return rf::Root::kClassesRoot;
  if (key == HKEY_CURRENT_USER) return rf::Root::kCurrentUser;
  if (key == HKEY_LOCAL_MACHINE) return rf::Root::kLocalMachine;
  if (key == HKEY_USERS) return rf::Root::kUsers;
  if (key == HKEY_CURRENT_CONFIG) return rf::Root::kCurrentConfig;
  return std::nullopt;
}

// Where a key handle points. Resolved again at every call, so a handle stays
// usable across re-loads and sees the file as it is now.
struct KeyPath {
  rf::Root root = rf::Root::kLocalMachine;
  std::vector<std::string> names;  // folded
};

// A key as the caller sees it: its own store and, under HKEY_CLASSES_ROOT,
// the same path below HKEY_LOCAL_MACHINE\SOFTWARE\Classes, which is searched
// second. Both null when the key does not exist.
struct KeyView {
  const rf::Key* own = nullptr;
  const rf::Key* classes = nullptr;

  bool exists() const { return own || classes; }

  const rf::Value* Find(const std::string& folded) const {
    for (const rf::Key* key : {own, classes}) {
      if (!key) continue;
      auto it = key->values.find(folded);
      if (it != key->values.end()) return &it->second;
    }
    return nullptr;
  }
};

KeyView ViewOf(const rf::Tree& tree, const KeyPath& path) {
  KeyView view;
  view.own = rf::FindKey(tree.root(path.root), path.names);
  if (path.root == rf::Root::kClassesRoot) {
    if (const rf::Key* classes = rf::MachineClasses(tree))
      view.classes = rf::FindKey(*classes, path.names);
  }
  return view;
}

// The names of a caller's subKey: null or "" is the key itself and one
// trailing backslash is dropped. ERROR_BAD_PATHNAME for a leading backslash or
// an empty name inside.
LONG SplitSubKey(LPCSTR subKey, std::vector<std::string>* names) {
  std::string_view path = subKey ? std::string_view(subKey) : std::string_view();
  if (path.starts_with('\\')) return ERROR_BAD_PATHNAME;
  if (path.ends_with('\\')) path.remove_suffix(1);
  std::optional<std::vector<std::string>> split = rf::SplitKeyPath(path);
  if (!split) return ERROR_BAD_PATHNAME;
  *names = std::move(*split);
  return ERROR_SUCCESS;
}

// The text of a default value: REG_SZ and REG_EXPAND_SZ (not expanded) up to
// their first zero; a key without one reads as "". Other types are refused.
LONG DefaultText(const KeyView& view, std::string* text) {
  const rf::Value* value = view.Find(std::string());
  if (!value) {
    text->clear();
    return ERROR_SUCCESS;
  }
  if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
  const std::vector<BYTE>& data = value->data;
  std::size_t length = 0;
  while (length < data.size() && data[length] != 0) ++length;
  text->assign(reinterpret_cast<const char*>(data.data()), length);
  return ERROR_SUCCESS;
}

// The registry of the process: the parsed file and the open handles.
class Registry {
 public:
  static Registry& Instance() {
    static Registry registry;
    return registry;
  }

  LONG Open(HKEY key, LPCSTR subKey, REGSAM desired, PHKEY result) {
    std::lock_guard lock(m_mutex);
    Refresh();
    KeyPath path;
    if (LONG rc = Resolve(key, subKey, &path); rc != ERROR_SUCCESS) return rc;
    if (desired & kWriteRights) return ERROR_ACCESS_DENIED;
    if (m_open.size() >= (kLastHandle - kFirstHandle) / kHandleStep) return ERROR_NOT_ENOUGH_MEMORY;
    UINT_PTR handle = NextHandle();
    m_open.emplace(handle, std::move(path));
    *result = reinterpret_cast<HKEY>(handle);
    return ERROR_SUCCESS;
  }

  LONG QueryValueEx(HKEY key, LPCSTR valueName, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    std::lock_guard lock(m_mutex);
    Refresh();
    const KeyPath* path = PathOf(key);
    if (!path) return ERROR_INVALID_HANDLE;
    // A key that went away with a re-load has no values left.
    const rf::Value* value = ViewOf(m_tree, *path).Find(rf::FoldName(valueName ? valueName : ""));
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    const DWORD needed = static_cast<DWORD>(value->data.size());
    if (!data) {
      if (dataSize) *dataSize = needed;
      return ERROR_SUCCESS;
    }
    const DWORD room = *dataSize;
    *dataSize = needed;
    if (room < needed) return ERROR_MORE_DATA;
    if (needed) std::memcpy(data, value->data.data(), needed);  // an empty value has no buffer
    return ERROR_SUCCESS;
  }

  LONG QueryValue(HKEY key, LPCSTR subKey, LPSTR out, PLONG outSize) {
    std::lock_guard lock(m_mutex);
    Refresh();
    KeyPath path;
    if (LONG rc = Resolve(key, subKey, &path); rc != ERROR_SUCCESS) return rc;
    std::string text;
    if (LONG rc = DefaultText(ViewOf(m_tree, path), &text); rc != ERROR_SUCCESS) return rc;
    if (text.size() >= 0x7FFFFFFF) return ERROR_NOT_ENOUGH_MEMORY;
    const LONG needed = static_cast<LONG>(text.size() + 1);
    if (!outSize) return ERROR_SUCCESS;
    const LONG room = *outSize;
    *outSize = needed;
    if (!out) return ERROR_SUCCESS;
    if (room < needed) return ERROR_MORE_DATA;
    std::memcpy(out, text.c_str(), static_cast<std::size_t>(needed));
    return ERROR_SUCCESS;
  }

  LONG Close(HKEY key) {
    if (PredefinedRoot(key)) return ERROR_SUCCESS;
    std::lock_guard lock(m_mutex);
    return m_open.erase(reinterpret_cast<UINT_PTR>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  }

 private:
  Registry() = default;

  // Parses the file again when it is another one, or changed, since last time.
  void Refresh() {
    bool changed = false;
    const orvane::configfile::ReadResult& file =
        m_file.Get(orvane::prefix::RegistryPath(), &changed);
    if (m_loaded && !changed) return;
    m_loaded = false;
    m_tree = rf::Tree();
    if (file.status == orvane::configfile::ReadResult::Status::kRead) {
      std::optional<rf::Tree> tree = rf::ParseRegFile(file.bytes);
      if (tree)
        m_tree = std::move(*tree);
      else
        qCWarning(lcRegistry, "registry file needs too much memory; read as empty");
    }
    m_loaded = true;
  }

  // The path an open handle or a root stands for, or null for a bad handle.
  // Owned by the handle table.
  const KeyPath* PathOf(HKEY key) {
    if (std::optional<rf::Root> root = PredefinedRoot(key)) {
      m_rootPath = KeyPath{*root, {}};
      return &m_rootPath;
    }
    auto it = m_open.find(reinterpret_cast<UINT_PTR>(key));
    return it == m_open.end() ? nullptr : &it->second;
  }

  // The existing key subKey below key, as a path from its root.
  LONG Resolve(HKEY key, LPCSTR subKey, KeyPath* out) {
    const KeyPath* base = PathOf(key);
    if (!base) return ERROR_INVALID_HANDLE;
    std::vector<std::string> names;
    if (LONG rc = SplitSubKey(subKey, &names); rc != ERROR_SUCCESS) return rc;
    KeyPath path = *base;
    path.names.insert(path.names.end(), names.begin(), names.end());
    if (!ViewOf(m_tree, path).exists()) return ERROR_FILE_NOT_FOUND;
    *out = std::move(path);
    return ERROR_SUCCESS;
  }

  UINT_PTR NextHandle() {
    while (m_open.count(m_nextHandle)) Advance();
    UINT_PTR handle = m_nextHandle;
    Advance();
    return handle;
  }

  void Advance() {
    m_nextHandle = m_nextHandle >= kLastHandle ? kFirstHandle : m_nextHandle + kHandleStep;
  }

  std::mutex m_mutex;
  // Everything below is guarded by m_mutex.
  bool m_loaded = false;  // false until m_tree holds what m_file last read
  orvane::configfile::CachedFile m_file{kMaxFileSize};
  rf::Tree m_tree;
  std::unordered_map<UINT_PTR, KeyPath> m_open;
  UINT_PTR m_nextHandle = kFirstHandle;
  KeyPath m_rootPath;  // scratch for PathOf on a root
};

// Runs an API call; only allocation can fail inside, and it must not escape.
template <typename Call>
LONG Guarded(Call&& call) noexcept {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  } catch (...) {
    return ERROR_GEN_FAILURE;
  }
}

}  // namespace

LONG RegOpenKey(HKEY key, LPCSTR subKey, PHKEY result) {
  return RegOpenKeyEx(key, subKey, 0, KEY_READ, result);
}

LONG RegOpenKeyEx(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM desired, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  return Guarded([&] { return Registry::Instance().Open(key, subKey, desired, result); });
}

LONG RegQueryValueEx(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                     LPDWORD dataSize) {
  if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  return Guarded(
      [&] { return Registry::Instance().QueryValueEx(key, valueName, type, data, dataSize); });
}

LONG RegQueryValue(HKEY key, LPCSTR subKey, LPSTR value, PLONG valueSize) {
  if (value && !valueSize) return ERROR_INVALID_PARAMETER;
  return Guarded([&] { return Registry::Instance().QueryValue(key, subKey, value, valueSize); });
}

LONG RegCloseKey(HKEY key) {
  return Guarded([&] { return Registry::Instance().Close(key); });
}
