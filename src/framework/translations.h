// The language of the windows: Qt's own texts (standard buttons, the file dialog) and the
// program's. Russian is the program's own: its texts are the source and need no translation, and
// Qt's own come from Qt's Russian translation. English comes from the program's translation,
// built into it, with Qt's English. Main thread only.
#pragma once

#include "base/language.h"

class QCoreApplication;

namespace kelvane {

// Installs the translations of `language` in `app`, replacing those an earlier call installed,
// and makes it the language of the texts of the libraries without Qt (setTextLanguage). Returns
// false when a translation is not there (Qt's Russian is a package of its own): the program then
// goes on with the texts it has.
bool installTranslations(QCoreApplication &app, Language language = Language::Russian);

} // namespace kelvane
