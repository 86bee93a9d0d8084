#include "platform/system/cmdlineparse.h"
#include "platform/system/process.h"

namespace orvane::process::cmdline {

std::size_t SkipBlanks(std::string_view text, std::size_t from) {
  while (from < text.size() && IsBlank(text[from])) ++from;
  return from;
}

std::string ParseProgram(std::string_view text, std::size_t from, std::size_t* end) {
  // Windows file names hold no quotes, so a quote here only toggles quoting;
  // a backslash is a path separator and never escapes anything.
  std::string program;
  bool quoted = false;
  std::size_t i = from;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && IsBlank(c)) {
      break;
    } else {
      program += c;
    }
  }
  *end = i;
  return program;
}

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> args;
  std::size_t i = SkipBlanks(text, 0);
  while (i < text.size()) {
    std::string arg;
    bool quoted = false;
    while (i < text.size() && (quoted || !IsBlank(text[i]))) {
      char c = text[i];
      if (c == '\\') {
        std::size_t run = text.find_first_not_of('\\', i);
        if (run == std::string_view::npos) run = text.size();
        std::size_t count = run - i;
        if (run < text.size() && text[run] == '"') {
          // Before a quote, backslashes pair up; an odd one out makes the
          // quote literal, otherwise the quote is handled below.
          arg.append(count / 2, '\\');
          if (count % 2) {
            arg += '"';
            ++run;
          }
        } else {
          arg.append(count, '\\');
        }
        i = run;
      } else if (c == '"') {
        if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
          arg += '"';  // "" inside quotes is one literal quote, quoting goes on
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += c;
        ++i;
      }
    }
    args.push_back(std::move(arg));
    i = SkipBlanks(text, i);
  }
  return args;
}

}  // namespace orvane::process::cmdline

namespace orvane::process {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::size_t start = cmdline::SkipBlanks(commandLine, 0);
  if (start == commandLine.size()) return {};
  std::size_t end = 0;
  std::vector<std::string> argv{cmdline::ParseProgram(commandLine, start, &end)};
  for (std::string& arg : cmdline::SplitArguments(std::string_view(commandLine).substr(end)))
    argv.push_back(std::move(arg));
  return argv;
}

}  // namespace orvane::process
