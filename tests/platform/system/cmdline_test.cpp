#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/process.h"

namespace {

using Argv = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  const struct {
    const char* line;
    Argv argv;
  } cases[] = {
      {"", {}},
      {" \t ", {}},
      {"prog a b", {"prog", "a", "b"}},
      {"  prog\ta \t b  ", {"prog", "a", "b"}},
      // The program: quotes removed, backslashes literal even before a quote.
      {R"("C:\Program Files\x.exe" a)", {R"(C:\Program Files\x.exe)", "a"}},
      {R"(C:\Program Files\x.exe a)", {R"(C:\Program)", R"(Files\x.exe)", "a"}},
      {R"("C:\dir\" b)", {R"(C:\dir\)", "b"}},
      {R"(C:\a\\b.exe)", {R"(C:\a\\b.exe)"}},
      {R"(pro"g r"am x)", {"prog ram", "x"}},
      // Arguments: quotes group, backslashes count only before a quote.
      {R"(p "a b" c)", {"p", "a b", "c"}},
      {R"(p a"b c"d)", {"p", "ab cd"}},
      {R"(p "" "")", {"p", "", ""}},
      {R"(p a\b\\c)", {"p", R"(a\b\\c)"}},
      {R"(p a\"b)", {"p", R"(a"b)"}},
      {R"(p a\\"b c")", {"p", R"(a\b c)"}},
      {R"(p a\\\"b)", {"p", R"(a\"b)"}},
      {R"(p a\\\\"b c")", {"p", R"(a\\b c)"}},
      {R"(p "a\\" b)", {"p", R"(a\)", "b"}},
      {R"(p "a""b" c)", {"p", R"(a"b)", "c"}},
      {R"(p a""b)", {"p", "ab"}},
      {R"(p """)", {"p", R"(")"}},
      {R"(p "a b)", {"p", "a b"}},
      {R"(p x;y $(z) `w` 'q r')", {"p", "x;y", "$(z)", "`w`", "'q", "r'"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(orvane::process::SplitCommandLine(c.line), c.argv) << "line: " << c.line;
}

}  // namespace
