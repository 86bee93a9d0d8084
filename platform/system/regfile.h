// A .reg text file parsed into an in-memory key tree. Internal to
// platform/system: registry.cpp answers the Reg* functions from this tree.
//
// Names are stored folded (FoldName), so every lookup is case-insensitive.
// Value data is kept in the form RegQueryValueEx hands out: strings as UTF-8
// bytes with their terminating zero, DWORDs as four little-endian bytes, hex
// lists as the bytes written (string types converted from UTF-16LE).
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/registry.h"
#include "platform/system/wintypes.h"

namespace orvane::regfile {

// The predefined keys a file may name, in the order of Tree::roots.
enum class Root { kClassesRoot, kCurrentUser, kLocalMachine, kUsers, kCurrentConfig };
inline constexpr std::size_t kRootCount = 5;

// Windows' limits on key names. The parser refuses longer names and deeper
// paths; that also keeps the recursive destruction of the tree shallow.
inline constexpr std::size_t kMaxKeyNameLength = 255;  // UTF-16 units
inline constexpr std::size_t kMaxKeyDepth = 512;       // names below the root

struct Value {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::map<std::string, Value, std::less<>> values;                  // "" is the default value
  std::map<std::string, std::unique_ptr<Key>, std::less<>> subKeys;  // never null
};

struct Tree {
  std::array<Key, kRootCount> roots;

  Key& root(Root r) { return roots[static_cast<std::size_t>(r)]; }
  const Key& root(Root r) const { return roots[static_cast<std::size_t>(r)]; }
};

// The case-folded form of a key or value name (UTF-8 in, UTF-8 out).
std::string FoldName(std::string_view name);

// The root called name ("HKEY_LOCAL_MACHINE" or "HKLM", any case), or nothing.
std::optional<Root> RootFromName(std::string_view name);

// Splits a path below a key at its backslashes into folded names; "" gives no
// names. Returns nothing when a name is empty ("A\\B", "\A", "A\").
std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path);

// The key names[first..] below from, or null when one is missing. The pointer
// is owned by the tree and lives until the tree changes.
const Key* FindKey(const Key& from, const std::vector<std::string>& names, std::size_t first = 0);
Key* FindKey(Key& from, const std::vector<std::string>& names, std::size_t first = 0);

// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, which HKEY_CLASSES_ROOT also shows, or
// null when the tree has no such key. Owned by the tree.
const Key* MachineClasses(const Tree& tree);
Key* MachineClasses(Tree& tree);

// Parses the bytes of a .reg file (UTF-8 with or without a byte-order mark, or
// UTF-16LE with one), with the registry editor's import rules for what people
// write by hand:
// - the header ("Windows Registry Editor Version 5.00" or "REGEDIT4") is the
//   first line that is not blank; without it the tree is empty, as the
//   editor refuses such a file;
// - lines end in CR LF, LF or a lone CR;
// - a ";" starts a comment line, and after a value (outside its quotes) a
//   comment to the end of the line;
// - hex data continues on the next line after a backslash that follows a
//   comma; comment and blank lines inside such a list are skipped; any other
//   backslash makes the value bad, and the next line is read on its own;
// - expandable and multi-string data written without their final zero get
//   it (a multi-string list one more); hex string data stays as written;
// - a line that does not parse is skipped, and so are the values after a bad
//   key line; a later line wins over an earlier one.
// A deletion under HKEY_CLASSES_ROOT also removes the same key or value under
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, since that view shows both.
// Nothing when the tree would need more than a small multiple of the file's
// size in memory. Throws only std::bad_alloc.
std::optional<Tree> ParseRegFile(std::string_view bytes);

}  // namespace orvane::regfile
