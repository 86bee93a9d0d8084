#include "dshow_edition/viewerapp.h"

#include "dshow_edition/viewerdialog.h"
#include "platform/ui/terminationsignals.h"

BOOL ViewerApp::InitInstance() {
  // The control container and the 3-D look are Qt's own: nothing to enable.
  ViewerDialog dialog;
  orvane::ui::CloseOnTermination(&dialog);
  dialog.DoModal();
  return FALSE;
}
