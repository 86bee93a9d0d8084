#include "platform/system/inifile.h"

#include <algorithm>

namespace orvane {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool FitsIniLineLimit(std::string_view text) {
  // Line ends as Parse takes them: LF, CR LF (one line), a lone CR.
  std::size_t lines = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool end =
        text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
    if (end && ++lines > kMaxIniLines) return false;
  }
  return true;
}

IniFile::Line IniFile::Classify(std::string text) {
  Line line;
  line.text = std::move(text);
  std::string_view body = Trim(line.text);
  if (body.empty() || body.front() == ';') return line;
  if (body.front() == '[') {
    std::string_view name = body.substr(1);
    if (std::size_t close = name.find(']'); close != std::string_view::npos)
      name = name.substr(0, close);
    line.kind = Kind::Section;
    line.name = std::string(Trim(name));
    return line;
  }
  line.kind = Kind::Entry;
  std::size_t eq = body.find('=');
  line.name = std::string(Trim(body.substr(0, eq)));
  if (eq != std::string_view::npos) {
    std::string_view value = Trim(body.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    line.value = std::string(value);
  }
  return line;
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  // A UTF-8 byte-order mark is not part of the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
    ini.m_bom = true;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      ini.m_lines.push_back(Classify(std::string(text.substr(start))));
      break;
    }
    ini.m_lines.push_back(Classify(std::string(text.substr(start, end - start))));
    std::size_t next = end + 1;
    if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
    ini.m_lines.back().eol = std::string(text.substr(end, next - end));
    if (ini.m_lines.size() == 1) ini.m_eol = ini.m_lines.back().eol;
    start = next;
  }
  return ini;
}

void IniFile::InsertLine(std::size_t at, std::string text) {
  if (at > 0 && m_lines[at - 1].eol.empty()) m_lines[at - 1].eol = m_eol;
  Line line = Classify(std::move(text));
  line.eol = m_eol;
  m_lines.insert(m_lines.begin() + static_cast<long>(at), std::move(line));
}

long IniFile::FindSection(std::string_view section) const {
  section = Trim(section);
  for (std::size_t i = 0; i < m_lines.size(); ++i)
    if (m_lines[i].kind == Kind::Section && EqualsNoCase(m_lines[i].name, section))
      return static_cast<long>(i);
  return -1;
}

std::size_t IniFile::SectionEnd(std::size_t start) const {
  std::size_t i = start + 1;
  while (i < m_lines.size() && m_lines[i].kind != Kind::Section) ++i;
  return i;
}

long IniFile::FindEntry(std::size_t sectionLine, std::string_view key) const {
  key = Trim(key);
  std::size_t end = SectionEnd(sectionLine);
  for (std::size_t i = sectionLine + 1; i < end; ++i)
    if (m_lines[i].kind == Kind::Entry && EqualsNoCase(m_lines[i].name, key))
      return static_cast<long>(i);
  return -1;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  long s = FindSection(section);
  if (s < 0) return std::nullopt;
  long e = FindEntry(static_cast<std::size_t>(s), key);
  if (e < 0) return std::nullopt;
  return m_lines[static_cast<std::size_t>(e)].value;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  for (const Line& line : m_lines) {
    if (line.kind != Kind::Section) continue;
    bool seen = std::any_of(names.begin(), names.end(),
                            [&](const std::string& n) { return EqualsNoCase(n, line.name); });
    if (!seen) names.push_back(line.name);
  }
  return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> names;
  long s = FindSection(section);
  if (s < 0) return names;
  std::size_t end = SectionEnd(static_cast<std::size_t>(s));
  for (std::size_t i = static_cast<std::size_t>(s) + 1; i < end; ++i) {
    const Line& line = m_lines[i];
    if (line.kind != Kind::Entry) continue;
    bool seen = std::any_of(names.begin(), names.end(),
                            [&](const std::string& n) { return EqualsNoCase(n, line.name); });
    if (!seen) names.push_back(line.name);
  }
  return names;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  long s = FindSection(section);
  if (s < 0) {
    InsertLine(m_lines.size(), "[" + std::string(section) + "]");
    InsertLine(m_lines.size(), std::string(key) + "=" + std::string(value));
    return;
  }
  long e = FindEntry(static_cast<std::size_t>(s), key);
  if (e >= 0) {
    Line& line = m_lines[static_cast<std::size_t>(e)];
    std::string eol = std::move(line.eol);
    line = Classify(line.name + "=" + std::string(value));
    line.eol = std::move(eol);
    return;
  }
  // After the section's last entry, so that blank lines and comments that
  // separate it from the next section stay where they are.
  std::size_t at = static_cast<std::size_t>(s) + 1;
  std::size_t end = SectionEnd(static_cast<std::size_t>(s));
  for (std::size_t i = at; i < end; ++i)
    if (m_lines[i].kind == Kind::Entry) at = i + 1;
  InsertLine(at, std::string(key) + "=" + std::string(value));
}

void IniFile::RemoveKey(std::string_view section, std::string_view key) {
  long s = FindSection(section);
  if (s < 0) return;
  long e = FindEntry(static_cast<std::size_t>(s), key);
  if (e >= 0) m_lines.erase(m_lines.begin() + e);
}

void IniFile::RemoveSection(std::string_view section) {
  for (long s = FindSection(section); s >= 0; s = FindSection(section)) {
    std::size_t end = SectionEnd(static_cast<std::size_t>(s));
    m_lines.erase(m_lines.begin() + s, m_lines.begin() + static_cast<long>(end));
  }
}

std::string IniFile::Serialize() const {
  std::string out = m_bom ? "\xEF\xBB\xBF" : "";
  for (const Line& line : m_lines) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

}  // namespace orvane
