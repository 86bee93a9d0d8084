// Qt's own texts (the standard dialogs' buttons and labels, the file
// dialog) in a program's language, from the translations Debian installs
// with qt6-translations-l10n.
#pragma once

#include <QLocale>

namespace orvane::ui {

// After the QApplication. Whether Qt's translations for locale were found
// and installed; without them Qt speaks English.
bool UseQtTranslations(const QLocale& locale);

}  // namespace orvane::ui
