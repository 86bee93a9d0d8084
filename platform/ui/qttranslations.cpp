#include "platform/ui/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace orvane::ui {

bool UseQtTranslations(const QLocale& locale) {
  // "qt" names the modules' catalogues; qtbase holds the dialogs' texts.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(locale, "qt", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace orvane::ui
