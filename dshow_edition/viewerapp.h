// ViewerApp: Velbin's application object. Its start-up runs the main window
// as a modal dialog; when that ends, the program ends.
#pragma once

#include "platform/system/wintypes.h"

class ViewerApp {
 public:
  // Runs the main window (template 102) modally; FALSE, so that the program
  // ends once it has closed.
  BOOL InitInstance();
};
