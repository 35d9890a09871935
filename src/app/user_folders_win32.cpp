#include "app/user_folders.h"

#include <QStandardPaths>

namespace kelvane {

QString settingsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString settingsFile()
{
    return settingsFolder() + QStringLiteral("/kelvane.ini");
}

QString journalFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
        + QStringLiteral("/journal");
}

} // namespace kelvane
