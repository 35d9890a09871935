#include "commands/service_catalogue.h"

#include "framework/dialogs.h"
#include "serial/com_port.h"

#include <QApplication>

namespace kelvane {

const std::vector<CatalogueItem> &serviceCatalogue()
{
    using Then = CatalogueItem::Then;
    // The level letter in the status texts is the Cyrillic Т; the line written is the Latin /T.
    static const std::vector<CatalogueItem> Catalogue = {
        {"N1", "N1Click", {"/T"}, true, Then::Status,
            QT_TRANSLATE_NOOP("kelvane::ServiceCatalogue", "Переход на уровень \"Т\"")},
        {"N11", "N11Click", {"/1"}, true, Then::Status,
            QT_TRANSLATE_NOOP("kelvane::ServiceCatalogue", "Переход на уровень \"1\"")},
        {"N21", "N21Click", {"/2"}, true, Then::Status,
            QT_TRANSLATE_NOOP("kelvane::ServiceCatalogue", "Переход на уровень \"2\"")},
        {"N3", "N3Click", {"/1", "M"}, true, Then::Message,
            QT_TRANSLATE_NOOP(
                "kelvane::ServiceCatalogue", "После выполнения перезагрузите накопитель!")},
        {"N2", "N2Click", {"/1", "F"}, true, Then::Nothing, ""},
        {"N17", "N17Click", {"/2", "U"}, true, Then::Nothing, ""},
        {"N18", "N18Click", {"/2", "Z"}, true, Then::Nothing, ""},
        {"N12", "N12Click", {"/T", "R"}, true, Then::Nothing, ""},
        {"N26", "N26Click", {"/1", "E"}, true, Then::Message,
            QT_TRANSLATE_NOOP("kelvane::ServiceCatalogue",
                "После выполнения команды необходимо переподключить накопитель!")},
        {"N30", "N30Click", {"/1", "fAAAA"}, false, Then::Nothing, ""},
        {"CERT2", "CERT2Click", {"/1", "fCCCC"}, false, Then::Nothing, ""},
        {"N4", "N4Click", {"/1", "N1"}, true, Then::Nothing, ""},
        {"N5", "N5Click", {"/1", "N2"}, true, Then::Nothing, ""},
        {"N6", "N6Click", {"/1", "N3"}, true, Then::Nothing, ""},
        {"N7", "N7Click", {"/1", "N5"}, true, Then::Nothing, ""},
        {"DSTShortTes1", "DSTShortTes1Click", {"/1", "NB"}, true, Then::Nothing, ""},
        {"DSTLongTestBDSTLongTestB1", "DSTLongTestBDSTLongTestB1Click", {"/1", "NC"}, true,
            Then::Nothing, ""},
        {"N9", "N9Click", {"/1", "N7"}, true, Then::Nothing, ""},
        {"PList1", "PList1Click", {"/1", "N9"}, true, Then::Nothing, ""},
        {"CriticalEventLog1", "CriticalEventLog1Click", {"/1", "N8"}, true, Then::Nothing, ""},
        {"HealthLog1", "HealthLog1Click", {"/1", "NA"}, true, Then::Nothing, ""},
    };
    return Catalogue;
}

void runCatalogueItem(const CatalogueItem &item, TBComPort &port,
    const std::function<void(const QString &)> &setStatus)
{
    if (item.guard && !port.IsOpen())
        return;
    for (const char *line : item.lines)
        port.SendText(line);
    // Translated where it is shown; the lines on the wire are the same in every language.
    const QString text = QCoreApplication::translate("kelvane::ServiceCatalogue", item.text);
    switch (item.then) {
    case CatalogueItem::Then::Status:
        setStatus(text);
        break;
    case CatalogueItem::Then::Message:
        Dialogs::current().message(QApplication::activeWindow(), text);
        break;
    case CatalogueItem::Then::Nothing:
        break;
    }
}

} // namespace kelvane
