#include "app/start_options.h"

#include "app/main_window.h"
#include "serial/port_list.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalBlocker>

namespace kelvane {

namespace {

// The box's entry for `port`: the same path, or a listed port whose last part is the name given;
// a port that is not listed is added, so the box always shows what connecting opens.
int portEntry(QComboBox &box, const QString &port)
{
    // An entry holds its port's name; its text may be what the adapter is.
    if (const int same = box.findData(port); same >= 0)
        return same;
    const bool bareName = !port.contains(QLatin1Char('/'));
    if (bareName)
        for (int i = 0; i < box.count(); ++i)
            if (QFileInfo(box.itemData(i).toString()).fileName() == port)
                return i;
    const QString path = QString::fromStdString(commandLinePortName(port.toStdString()));
    box.addItem(path, path);
    return box.count() - 1;
}

} // namespace

void applyStartOptions(TMainForm &mainWindow, const StartOptions &options)
{
    if (!options.port.empty()) {
        QComboBox *box = mainWindow.parts().portField;
        box->setCurrentIndex(portEntry(*box, QString::fromStdString(options.port)));
    }
    if (!options.rate.empty()) {
        QComboBox *box = mainWindow.parts().rateField;
        // Quiet: with no connection the rate is only taken up by the next connect, and the
        // start-up's status text stays.
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(box->findText(QString::fromStdString(options.rate)));
    }
    if (options.connect) {
        QMetaObject::invokeMethod(
            mainWindow.parts().connectButton, &QPushButton::click, Qt::QueuedConnection);
    }
}

} // namespace kelvane
