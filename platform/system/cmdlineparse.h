// Internal to platform/system: the two halves of the Windows command-line
// rules, for callers that find the end of the program text themselves.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::process::cmdline {

// Space and tab separate arguments; nothing else does.
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The index of the first non-blank at or after from (text.size() if none).
std::size_t SkipBlanks(std::string_view text, std::size_t from);

// The program text that starts at from: up to the first blank outside quotes,
// quotes removed, backslashes kept as they are. *end receives the index just
// after it.
std::string ParseProgram(std::string_view text, std::size_t from, std::size_t* end);

// Splits the text after the program by the argument rules.
std::vector<std::string> SplitArguments(std::string_view text);

}  // namespace orvane::process::cmdline
