// Qt's own texts (standard buttons, the file dialog) in Russian, whatever the user's locale: the
// program speaks Russian throughout. Main thread only.
#pragma once

class QCoreApplication;

namespace kelvane {

// Loads Qt's Russian translation and installs it in `app`, which owns it from then on. Returns
// false when the translation is not installed (the program then goes on with Qt's English).
bool installTranslations(QCoreApplication &app);

} // namespace kelvane
