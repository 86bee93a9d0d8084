#include "platform/ui/resourceid.h"

#include <QString>
#include <charconv>

namespace orvane::ui {

ResourceId::ResourceId(int number) {
  if (number < 0) return;  // not a resource number; finds nothing
  m_number = number;
  m_key = std::to_string(number);
}

ResourceId::ResourceId(const char* name) : ResourceId(std::string_view(name ? name : "")) {}

ResourceId::ResourceId(std::string_view name) {
  if (name.size() > 1 && name.front() == '#') {
    int number = 0;
    const char* first = name.data() + 1;
    const char* last = name.data() + name.size();
    auto [end, ec] = std::from_chars(first, last, number);
    if (ec == std::errc() && end == last && number >= 0) {
      m_number = number;
      m_key = std::to_string(number);
      return;
    }
  }
  // Unicode upper case: names outside ASCII fold as the file names they come from.
  m_key =
      QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toUpper().toStdString();
}

}  // namespace orvane::ui
