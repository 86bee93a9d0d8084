// VfwViewerApp: Tarrow's application object; the program is its main window.
#pragma once

#include "platform/system/wintypes.h"

class VfwViewerApp {
 public:
  // Runs the main window modally; FALSE, so the program ends with it.
  BOOL InitInstance();
};
