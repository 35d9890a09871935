// The fixed catalogue of service commands behind the main window's menus "Уровень", "Команды",
// "Операции" and "SMART": for each menu item, the lines it writes to the drive (the level line
// first, as a rule), whether it first checks that the port is open, and what it shows after.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace kelvane {

class TBComPort;

struct CatalogueItem
{
    enum class Then { Nothing, Status, Message };

    const char *item; // menu item name
    const char *handler; // its click handler
    std::vector<const char *> lines; // one SendText each, in order, no terminator
    bool guard; // does nothing while the port is closed
    Then then;
    const char *text; // the status text or the message, in Russian: shown translated
};

const std::vector<CatalogueItem> &serviceCatalogue();

// Writes the item's lines, then sets the status line or shows its message box. An error of the
// port ends the item at the failing line.
void runCatalogueItem(const CatalogueItem &item, TBComPort &port,
    const std::function<void(const QString &)> &setStatus);

} // namespace kelvane
