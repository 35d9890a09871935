#include "app/user_folders.h"

#include <QDir>
#include <QStandardPaths>

namespace kelvane {

QString settingsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/kelvane");
}

QString settingsFile()
{
    return settingsFolder() + QStringLiteral("/kelvane.conf");
}

QString journalFolder()
{
    // Only an absolute path counts, as the XDG base directory rules say.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/kelvane/journal");
}

} // namespace kelvane
