#include <cstdarg>
#include <cstdio>

#include "dshow_edition/captureengine.h"
#include "platform/ui/messagebox.h"

namespace {
// The engine's one message buffer; the formatter writes at most 1024 bytes.
char g_message[2000];
}  // namespace

void ShowEngineError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  // The callers pass 32-bit result codes for "%x", which the C formatter
  // prints exactly as the Windows one does.
  std::vsnprintf(g_message, 1024, format, args);
  va_end(args);
  MessageBox(nullptr, g_message, nullptr, MB_TASKMODAL | MB_ICONWARNING);
}
