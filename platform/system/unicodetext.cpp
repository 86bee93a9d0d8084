#include "platform/system/unicodetext.h"

#include <cstdint>

namespace orvane::text {
namespace {

// The code point at text[*pos], advancing *pos; nothing when malformed.
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t* pos) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(*pos);
  if (lead < 0x80) {
    ++*pos;
    return lead;
  }
  int length;
  char32_t cp;
  char32_t min;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return std::nullopt;
  }
  if (*pos + static_cast<std::size_t>(length) > text.size()) return std::nullopt;
  for (int k = 1; k < length; ++k) {
    const unsigned char c = byte(*pos + static_cast<std::size_t>(k));
    if ((c & 0xC0) != 0x80) return std::nullopt;
    cp = cp << 6 | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  *pos += static_cast<std::size_t>(length);
  return cp;
}

void AppendUtf8(std::string* out, char32_t cp) {
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | cp >> 6);
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out += static_cast<char>(0xE0 | cp >> 12);
    *out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | cp >> 18);
    *out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    *out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUnit(std::string* out, std::uint16_t unit, bool bigEndian) {
  const char high = static_cast<char>(unit >> 8);
  const char low = static_cast<char>(unit & 0xFF);
  *out += bigEndian ? high : low;
  *out += bigEndian ? low : high;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();)
    if (!NextUtf8(bytes, &pos)) return false;
  return true;
}

std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2) return std::nullopt;
  auto unit = [&](std::size_t i) -> std::uint16_t {
    const auto a = static_cast<unsigned char>(bytes[2 * i]);
    const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
    return static_cast<std::uint16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  };
  const std::size_t count = bytes.size() / 2;
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t u = unit(i);
    if (u >= 0xDC00 && u <= 0xDFFF) return std::nullopt;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 >= count) return std::nullopt;
      const std::uint16_t low = unit(++i);
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      AppendUtf8(&out, 0x10000 + ((char32_t{u} - 0xD800) << 10 | (char32_t{low} - 0xDC00)));
    } else {
      AppendUtf8(&out, u);
    }
  }
  return out;
}

std::optional<std::string> Utf8ToUtf16(std::string_view text, bool bigEndian) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t pos = 0; pos < text.size();) {
    const std::optional<char32_t> cp = NextUtf8(text, &pos);
    if (!cp) return std::nullopt;
    if (*cp < 0x10000) {
      AppendUnit(&out, static_cast<std::uint16_t>(*cp), bigEndian);
    } else {
      const char32_t v = *cp - 0x10000;
      AppendUnit(&out, static_cast<std::uint16_t>(0xD800 + (v >> 10)), bigEndian);
      AppendUnit(&out, static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)), bigEndian);
    }
  }
  return out;
}

}  // namespace orvane::text
