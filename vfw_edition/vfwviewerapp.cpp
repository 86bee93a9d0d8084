#include "vfw_edition/vfwviewerapp.h"

#include "vfw_edition/vfwviewerdialog.h"

BOOL VfwViewerApp::InitInstance() {
  // The control container and the 3-D look are Qt's own: nothing to enable.
  VfwViewerDialog dialog;
  dialog.DoModal();
  return FALSE;
}
