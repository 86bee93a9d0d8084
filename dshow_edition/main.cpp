// velbin: the camera viewer on filter graphs. No arguments.
#include <QApplication>

#include "dshow_edition/viewerapp.h"
#include "platform/ui/appidentity.h"
#include "platform/ui/resources.h"
#include "resources/velbin/velbinresources.h"

int main(int argc, char** argv) {
  orvane::ui::PreferX11OnWayland();
  QApplication app(argc, argv);
  orvane::ui::SetResourceModule(&orvane::resources::VelbinResources());
  orvane::ui::SetApplicationIdentity("Velbin", "org.orvane.Velbin", orvane::ui::LoadIconResource(128));
  ViewerApp viewer;
  viewer.InitInstance();
  return 0;
}
