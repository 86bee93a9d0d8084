#include "platform/system/regfile.h"

#include <QString>

namespace orvane::regfile {
namespace {

constexpr std::string_view kHeaderUnicode = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeaderAnsi = "REGEDIT4";

// What a key and a value cost in memory beyond their names and data (map
// nodes, the key's own maps, string headers), roughly, on 64-bit builds.
constexpr std::size_t kKeyCost = 192;
constexpr std::size_t kValueCost = 128;
// The tree may take this much, so its memory stays a small multiple of the
// file's size whatever the file holds (a deep path makes hundreds of keys
// from one line).
constexpr std::size_t kBaseBudget = std::size_t{1} << 20;
constexpr std::size_t kBudgetPerByte = 16;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

// What is left of the text after a value once blanks and a ";" comment are
// taken away: "" when the value ended the line properly.
std::string_view AfterValue(std::string_view rest) {
  rest = TrimLeft(rest);
  return rest.starts_with(';') ? std::string_view() : TrimRight(rest);
}

// Text with a trailing ";" comment and blanks removed. Hex data holds no ";".
std::string_view WithoutComment(std::string_view text) {
  return TrimRight(text.substr(0, text.find(';')));
}

bool IsCommentOrBlank(std::string_view line) {
  line = TrimLeft(line);
  return line.empty() || line.starts_with(';');
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(s[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// One to eight hex digits and nothing else, as dword: and hex(N) are written.
std::optional<DWORD> ParseHex32(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  DWORD value = 0;
  for (char c : text) {
    int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<DWORD>(digit);
  }
  return value;
}

std::string Utf16ToUtf8(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');  // an odd last byte is dropped
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()))
      .toUtf8()
      .toStdString();
}

// The file's text as UTF-8: the editor writes UTF-16LE with a byte-order mark,
// hand-written files are UTF-8 with or without one.
std::string DecodeText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return Utf16ToUtf8(bytes.substr(2));
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return std::string(bytes);
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

bool NameTooLong(const std::string& folded) {
  // UTF-8 never has fewer bytes than UTF-16 units, so short names need no count.
  return folded.size() > kMaxKeyNameLength &&
         QString::fromUtf8(folded.data(), static_cast<qsizetype>(folded.size())).size() >
             static_cast<qsizetype>(kMaxKeyNameLength);
}

// A quoted string at the start of *rest (which begins with the quote). Only a
// doubled backslash and a backslash-quote are escapes; any other backslash is
// kept. Consumes it from *rest; nothing when the closing quote is missing.
std::optional<std::string> ReadQuoted(std::string_view* rest) {
  std::string out;
  for (std::size_t i = 1; i < rest->size(); ++i) {
    char c = (*rest)[i];
    if (c == '"') {
      rest->remove_prefix(i + 1);
      return out;
    }
    if (c == '\\' && i + 1 < rest->size() && ((*rest)[i + 1] == '\\' || (*rest)[i + 1] == '"')) {
      c = (*rest)[++i];
    }
    out += c;
  }
  return std::nullopt;
}

// "01,02,ff" with optional blanks and one trailing comma; nothing when malformed.
std::optional<std::string> ParseHexList(std::string_view text) {
  std::string out;
  text = Trim(text);
  if (text.empty()) return out;
  for (std::size_t pos = 0;;) {
    std::size_t comma = text.find(',', pos);
    bool last = comma == std::string_view::npos;
    std::string_view item = Trim(text.substr(pos, last ? std::string_view::npos : comma - pos));
    if (item.empty()) {
      if (last && !out.empty()) return out;
      return std::nullopt;
    }
    std::optional<DWORD> byte = item.size() <= 2 ? ParseHex32(item) : std::nullopt;
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
    if (last) return out;
    pos = comma + 1;
  }
}

Value MakeValue(DWORD type, std::string_view bytes) {
  Value value;
  value.type = type;
  value.data.assign(bytes.begin(), bytes.end());
  return value;
}

void DeleteKey(Key& from, const std::vector<std::string>& names) {
  Key* parent = &from;
  for (std::size_t i = 0; i + 1 < names.size() && parent; ++i) {
    auto it = parent->subKeys.find(names[i]);
    parent = it == parent->subKeys.end() ? nullptr : it->second.get();
  }
  if (parent) parent->subKeys.erase(names.back());
}

class LineReader {
 public:
  explicit LineReader(std::string_view text) : m_rest(text) {}

  // The next line without its ending (LF, CR LF or a lone CR); false at the
  // end of the text.
  bool Next(std::string_view* line) {
    if (m_rest.empty()) return false;
    std::size_t end = m_rest.find_first_of("\r\n");
    *line = m_rest.substr(0, end);
    if (end == std::string_view::npos) {
      m_rest.remove_prefix(m_rest.size());  // keeps its place for Unread
      return true;
    }
    std::size_t next = end + 1;
    if (m_rest[end] == '\r' && next < m_rest.size() && m_rest[next] == '\n') ++next;
    m_rest.remove_prefix(next);
    return true;
  }

  // Puts back the line last returned, so that it is read again.
  void Unread(std::string_view line) {
    m_rest = std::string_view(
        line.data(), static_cast<std::size_t>(m_rest.data() + m_rest.size() - line.data()));
  }

 private:
  std::string_view m_rest;
};

// Applies the lines after the header to the tree, one at a time. A line that
// does not parse changes nothing.
class Parser {
 public:
  Parser(Tree& tree, bool unicode, LineReader& lines, std::size_t budget)
      : m_tree(tree), m_unicode(unicode), m_lines(lines), m_budget(budget) {}

  // False when the tree would have needed more memory than the budget.
  bool Run() {
    std::string_view line;
    while (!m_overBudget && m_lines.Next(&line)) {
      line = TrimLeft(line);
      if (line.starts_with('['))
        KeyLine(line);
      else if (line.starts_with('"') || line.starts_with('@'))
        ValueLine(line);
      // Blank lines, ";" comments and anything else are skipped.
    }
    return !m_overBudget;
  }

 private:
  void KeyLine(std::string_view line) {
    // Until a good key line comes, values have nowhere to go and are dropped.
    m_current = nullptr;
    m_classesPath.reset();
    // Key names may hold ']', so the path ends at the last one.
    std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) return;
    std::string_view path = line.substr(1, close - 1);
    bool remove = path.starts_with('-');
    if (remove) path.remove_prefix(1);
    std::size_t slash = path.find('\\');
    std::optional<Root> root = RootFromName(path.substr(0, slash));
    if (!root) return;
    std::string_view below = slash == std::string_view::npos ? "" : path.substr(slash + 1);
    if (below.ends_with('\\')) below.remove_suffix(1);
    std::optional<std::vector<std::string>> names = SplitKeyPath(below);
    if (!names || names->size() > kMaxKeyDepth) return;

    if (remove) {
      if (names->empty()) return;  // a root cannot be deleted
      DeleteKey(m_tree.root(*root), *names);
      // Deleting through HKEY_CLASSES_ROOT removes the key from the view it shows.
      if (*root == Root::kClassesRoot) {
        if (Key* classes = MachineClasses(m_tree)) DeleteKey(*classes, *names);
      }
      return;
    }
    for (const std::string& name : *names) {
      if (NameTooLong(name)) return;
    }
    m_current = CreateKey(m_tree.root(*root), *names);
    if (!m_current) return;
    if (*root == Root::kClassesRoot) m_classesPath = std::move(*names);
  }

  void ValueLine(std::string_view line) {
    if (!m_current) return;
    std::string_view rest = line;
    std::string name;  // "" is the default value, written @
    if (rest.starts_with('@')) {
      rest.remove_prefix(1);
    } else {
      std::optional<std::string> quoted = ReadQuoted(&rest);
      if (!quoted) return;
      name = std::move(*quoted);
    }
    rest = TrimLeft(rest);
    if (!rest.starts_with('=')) return;
    rest = TrimLeft(rest.substr(1));
    std::string folded = FoldName(name);

    if (WithoutComment(rest) == "-") {
      m_current->values.erase(folded);
      if (m_classesPath) {
        if (Key* classes = MachineClasses(m_tree)) {
          if (Key* mirror = FindKey(*classes, *m_classesPath)) mirror->values.erase(folded);
        }
      }
      return;
    }
    std::optional<Value> value;
    if (StartsWithNoCase(rest, "hex")) {
      // Read the continuation lines even when the value turns out bad, so
      // that they are not taken for lines of their own.
      std::optional<std::string> joined = JoinContinuation(rest);
      if (joined) value = HexValue(*joined);
    } else {
      value = ScalarValue(rest);
    }
    if (value && Charge(kValueCost + folded.size() + value->data.size()))
      m_current->values[folded] = std::move(*value);
  }

  // A hex list with the lines it continues on. A line continues on the next
  // when it ends in a backslash after a comma (or after the type's colon, as
  // "hex:\" starts a long list); comment and blank lines in between are
  // skipped. Any other backslash makes the value bad and ends it there, so
  // the next line is read as a line of its own. Nothing when the list is bad
  // or the file ends inside it.
  std::optional<std::string> JoinContinuation(std::string_view first) {
    std::string joined(WithoutComment(first));
    while (joined.ends_with('\\')) {
      joined.pop_back();
      std::string_view before = TrimRight(joined);
      if (!before.ends_with(',') && !before.ends_with(':')) return std::nullopt;
      std::string_view next;
      do {
        if (!m_lines.Next(&next)) return std::nullopt;
      } while (IsCommentOrBlank(next));
      std::string_view data = WithoutComment(Trim(next));
      // A key or value line cannot continue a list: the file broke off here.
      if (data.starts_with('[') || data.starts_with('"') || data.starts_with('@')) {
        m_lines.Unread(next);
        return std::nullopt;
      }
      joined += data;
    }
    return joined;
  }

  // "text" or dword:0000001f, each optionally followed by a ";" comment.
  static std::optional<Value> ScalarValue(std::string_view rest) {
    if (rest.starts_with('"')) {
      std::optional<std::string> text = ReadQuoted(&rest);
      if (!text || !AfterValue(rest).empty()) return std::nullopt;
      *text += '\0';
      return MakeValue(REG_SZ, *text);
    }
    if (StartsWithNoCase(rest, "dword:")) {
      std::optional<DWORD> number = ParseHex32(Trim(WithoutComment(rest.substr(6))));
      if (!number) return std::nullopt;
      const char bytes[4] = {static_cast<char>(*number), static_cast<char>(*number >> 8),
                             static_cast<char>(*number >> 16), static_cast<char>(*number >> 24)};
      return MakeValue(REG_DWORD, std::string_view(bytes, 4));
    }
    return std::nullopt;
  }

  // hex:.. (binary) or hex(N):.. with the type N written in hex.
  std::optional<Value> HexValue(std::string_view rest) const {
    rest.remove_prefix(3);  // "hex"
    DWORD type = REG_BINARY;
    if (rest.starts_with('(')) {
      std::size_t close = rest.find(')');
      if (close == std::string_view::npos) return std::nullopt;
      std::optional<DWORD> number = ParseHex32(rest.substr(1, close - 1));
      if (!number) return std::nullopt;
      type = *number;
      rest.remove_prefix(close + 1);
    }
    if (!rest.starts_with(':')) return std::nullopt;
    std::optional<std::string> bytes = ParseHexList(rest.substr(1));
    if (!bytes) return std::nullopt;
    // A 5.00 file spells its strings' bytes in UTF-16LE, a REGEDIT4 file in
    // the code page, which is UTF-8 here.
    if (m_unicode && IsStringType(type)) *bytes = Utf16ToUtf8(*bytes);
    // Expandable and multi-string data written without their final zero get
    // it; a multi-string list ends in one more. Plain strings in hex stay as
    // written, as readers of such values must cope with that anyway.
    if ((type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && !bytes->ends_with('\0')) *bytes += '\0';
    if (type == REG_MULTI_SZ && bytes->size() > 1 && !bytes->ends_with(std::string(2, '\0')))
      *bytes += '\0';
    return MakeValue(type, *bytes);
  }

  // Takes cost bytes from the budget; false (and parsing stops) when it is spent.
  bool Charge(std::size_t cost) {
    if (cost > m_budget) {
      m_overBudget = true;
      return false;
    }
    m_budget -= cost;
    return true;
  }

  // The key at names below from, made as needed; null when over budget.
  Key* CreateKey(Key& from, const std::vector<std::string>& names) {
    Key* key = &from;
    for (const std::string& name : names) {
      std::unique_ptr<Key>& slot = key->subKeys[name];
      if (!slot) {
        if (!Charge(kKeyCost + name.size())) {
          key->subKeys.erase(name);
          return nullptr;
        }
        slot = std::make_unique<Key>();
      }
      key = slot.get();
    }
    return key;
  }

  Tree& m_tree;
  const bool m_unicode;
  LineReader& m_lines;
  std::size_t m_budget;  // bytes the tree may still take
  bool m_overBudget = false;
  Key* m_current = nullptr;  // the key of the last good key line
  // The path of m_current when it is under HKEY_CLASSES_ROOT, for deleting
  // values from the HKEY_LOCAL_MACHINE\SOFTWARE\Classes side of its view.
  std::optional<std::vector<std::string>> m_classesPath;
};

}  // namespace

std::string FoldName(std::string_view name) {
  bool ascii = true;
  for (char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    std::string out(name);
    for (char& c : out) c = AsciiLower(c);
    return out;
  }
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
      .toCaseFolded()
      .toUtf8()
      .toStdString();
}

std::optional<Root> RootFromName(std::string_view name) {
  struct Entry {
    std::string_view longName, shortName;
    Root root;
  };
  static constexpr Entry kRoots[] = {
      {"hkey_classes_root", "hkcr", Root::kClassesRoot},
      {"hkey_current_user", "hkcu", Root::kCurrentUser},
      {"hkey_local_machine", "hklm", Root::kLocalMachine},
      {"hkey_users", "hku", Root::kUsers},
      {"hkey_current_config", "hkcc", Root::kCurrentConfig},
  };
  std::string folded = FoldName(name);
  for (const Entry& entry : kRoots) {
    if (folded == entry.longName || folded == entry.shortName) return entry.root;
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path) {
  std::vector<std::string> names;
  if (path.empty()) return names;
  for (std::size_t pos = 0;;) {
    std::size_t slash = path.find('\\', pos);
    bool last = slash == std::string_view::npos;
    std::string_view name = path.substr(pos, last ? std::string_view::npos : slash - pos);
    if (name.empty()) return std::nullopt;
    names.push_back(FoldName(name));
    if (last) return names;
    pos = slash + 1;
  }
}

const Key* FindKey(const Key& from, const std::vector<std::string>& names, std::size_t first) {
  const Key* key = &from;
  for (std::size_t i = first; i < names.size() && key; ++i) {
    auto it = key->subKeys.find(names[i]);
    key = it == key->subKeys.end() ? nullptr : it->second.get();
  }
  return key;
}

Key* FindKey(Key& from, const std::vector<std::string>& names, std::size_t first) {
  return const_cast<Key*>(FindKey(static_cast<const Key&>(from), names, first));
}

const Key* MachineClasses(const Tree& tree) {
  static const std::vector<std::string> kPath = {"software", "classes"};
  return FindKey(tree.root(Root::kLocalMachine), kPath);
}

Key* MachineClasses(Tree& tree) {
  return const_cast<Key*>(MachineClasses(static_cast<const Tree&>(tree)));
}

std::optional<Tree> ParseRegFile(std::string_view bytes) {
  Tree tree;
  std::string text = DecodeText(bytes);
  LineReader lines(text);
  std::string_view header;
  // Blank lines and blanks before the header are forgiven: a hand-written
  // file should not read as an empty registry for them.
  do {
    if (!lines.Next(&header)) return tree;
  } while (Trim(header).empty());
  header = Trim(header);
  if (header != kHeaderUnicode && header != kHeaderAnsi) return tree;
  const std::size_t budget = kBaseBudget + kBudgetPerByte * bytes.size();
  if (!Parser(tree, header == kHeaderUnicode, lines, budget).Run()) return std::nullopt;
  return tree;
}

}  // namespace orvane::regfile
