// An INI text held line by line, read with the rules of the Windows profile
// functions and edited so that every line it does not change stays as it was.
//
// Reading: sections are "[name]" (leading blanks allowed; without a closing
// bracket the name runs to the end of the line); entries are "key=value" with
// both sides trimmed and one pair of matching quotes removed from the value; a
// line without "=" is a key with an empty value; lines starting with ";" and
// entries before the first section are ignored. Names compare
// case-insensitively (ASCII, as the profile functions do). When a section
// name appears twice, only its first occurrence is read and written; the same
// holds for a key within a section.
//
// Lines end in LF, CRLF or a lone CR. Every line keeps its own ending when the
// text is written again; lines added by an edit get the first line's ending.
// Any bytes are accepted, NUL included. Names given to the lookups and edits
// are trimmed first, as the profile functions trim them, so " vorix " is the
// section [vorix] and never a second one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class IniFile {
 public:
  static IniFile Parse(std::string_view text);

  // The value of key in section, or nothing when either is absent.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Section names in file order, each once (first spelling).
  std::vector<std::string> Sections() const;
  // Key names of the first section of that name, in file order, each once.
  std::vector<std::string> Keys(std::string_view section) const;

  // Sets key=value in the first section of that name: the key's line is
  // replaced in place (keeping its stored spelling), a new key goes after the
  // section's last entry, a new section at the end of the text.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes the first entry of key from the first section of that name.
  void RemoveKey(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines.
  void RemoveSection(std::string_view section);

  std::string Serialize() const;

 private:
  enum class Kind { Other, Section, Entry };
  struct Line {
    std::string text;  // the line as read or written, without its ending
    std::string eol;   // its ending as read ("" for a last line without one)
    Kind kind = Kind::Other;
    std::string name;   // section name or key, trimmed
    std::string value;  // entry value, trimmed and unquoted
  };

  static Line Classify(std::string text);
  // Index of the first section line with that name, or -1.
  long FindSection(std::string_view section) const;
  // Index of the line after the section that starts at index start.
  std::size_t SectionEnd(std::size_t start) const;
  long FindEntry(std::size_t sectionLine, std::string_view key) const;

  // Inserts a line before index at, giving the line before it an ending.
  void InsertLine(std::size_t at, std::string text);

  std::vector<Line> m_lines;
  std::string m_eol = "\n";  // for added lines
  bool m_bom = false;        // a UTF-8 byte-order mark that is written back
};

// The most lines a file may have to be parsed: each line costs about 150
// bytes, so a file of nothing but line breaks would otherwise need a hundred
// times its size. Windows kept win.ini below 64 KiB, a few thousand lines.
inline constexpr std::size_t kMaxIniLines = 65536;
// Whether text has at most kMaxIniLines lines.
bool FitsIniLineLimit(std::string_view text);

// ASCII case-insensitive equality, as the profile and registry names use.
bool EqualsNoCase(std::string_view a, std::string_view b);
// Removes blanks (space, tab) and the other ASCII white space from both ends.
std::string_view Trim(std::string_view text);

}  // namespace orvane
