// ViewerDialog's capture commands: the photo (Start, Stop, Set, Security and
// the timers are to come).
#include "dshow_edition/captureengine.h"
#include "dshow_edition/stillwriter.h"
#include "dshow_edition/viewerdialog.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/resources.h"

void ViewerDialog::OnPhoto() {
  if (!GraphState().videoCapture) return;  // no camera: nothing at all
  if (SequentialPhoto) {
    AfxMessageBox(orvane::ui::LoadStringResource(14).c_str(), MB_OK);
    return;
  }
  if (Recording) return;
  const std::string path = NextPhotoPath();
  // A photo that could not be written is not listed (the user was told).
  if (SaveStill(StillKind::kPhoto, path, this)) AddCapturedFile(path, "");
}
