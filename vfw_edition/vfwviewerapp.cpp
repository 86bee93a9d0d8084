#include "vfw_edition/vfwviewerapp.h"

#include "vfw_edition/vfwviewerdialog.h"
#include "platform/ui/terminationsignals.h"

BOOL VfwViewerApp::InitInstance() {
  // The control container and the 3-D look are Qt's own: nothing to enable.
  VfwViewerDialog dialog;
  orvane::ui::CloseOnTermination(&dialog);
  dialog.DoModal();
  return FALSE;
}
