#include "platform/ui/dataexchange.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace orvane::ui {

bool ParseDialogInteger(const std::string& text, int* value) {
  const char* p = text.c_str();
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(p, &end, 10);
  if (end == p || errno == ERANGE || n < INT_MIN || n > INT_MAX) return false;
  while (std::isspace(static_cast<unsigned char>(*end))) ++end;
  if (*end) return false;
  *value = static_cast<int>(n);
  return true;
}

}  // namespace orvane::ui
