// The framework's reading of a number from an edit control, shared by the
// dialogs that validate what the user types.
#pragma once

#include <string>

namespace orvane::ui {

// Blanks, an optional sign, digits, blanks; the value must fit an int.
bool ParseDialogInteger(const std::string& text, int* value);

}  // namespace orvane::ui
