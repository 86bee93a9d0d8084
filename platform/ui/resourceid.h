// A resource's identity: a number (139) or a name ("STARTU").
//
// Names compare without regard to case, as resource names do; the text "#139"
// stands for the number 139, as it does for the Windows resource functions.
#pragma once

#include <string>
#include <string_view>

namespace orvane::ui {

class ResourceId {
 public:
  ResourceId(int number);  // NOLINT: numbers and names are both ids, as MAKEINTRESOURCE makes them
  ResourceId(const char* name);                                                // NOLINT
  ResourceId(std::string_view name);                                           // NOLINT
  ResourceId(const std::string& name) : ResourceId(std::string_view(name)) {}  // NOLINT

  bool IsNumber() const { return m_number >= 0; }
  int Number() const { return m_number; }
  // The key resources are filed under: the decimal number, or the name in
  // upper case. Empty for an empty name, which finds nothing.
  const std::string& Key() const { return m_key; }

 private:
  int m_number = -1;
  std::string m_key;
};

}  // namespace orvane::ui
