// Strict conversions between UTF-8 and UTF-16 for files that must be written
// back byte for byte as they were read. Internal to platform/system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::text {

// True when bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// UTF-16 code units (little- or big-endian bytes) as UTF-8; nothing when the
// byte count is odd or a surrogate is unpaired, since such text would not
// come back the same.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian);

// UTF-8 as UTF-16 bytes; nothing when the text is not valid UTF-8.
std::optional<std::string> Utf8ToUtf16(std::string_view text, bool bigEndian);

}  // namespace orvane::text
