// tarrow: the camera viewer on a capture window. No arguments.
#include <QApplication>

#include "platform/ui/appidentity.h"
#include "platform/ui/qttranslations.h"
#include "platform/ui/resources.h"
#include "resources/tarrow/tarrowresources.h"
#include "vfw_edition/vfwviewerapp.h"

int main(int argc, char** argv) {
  orvane::ui::PreferX11OnWayland();
  QApplication app(argc, argv);
  orvane::ui::SetResourceModule(&orvane::resources::TarrowResources());
  // A Korean program: Qt's own dialogs and buttons speak Korean too.
  orvane::ui::UseQtTranslations(QLocale(QLocale::Korean, QLocale::SouthKorea));
  orvane::ui::SetApplicationIdentity("Tarrow", "org.orvane.Tarrow", orvane::ui::LoadIconResource(128));
  VfwViewerApp viewer;
  viewer.InitInstance();
  return 0;
}
