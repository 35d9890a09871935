#include "framework/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace kelvane {

namespace {

class QtDialogs final : public Dialogs
{
public:
    void message(QWidget *parent, const QString &text) override
    {
        show(parent, QMessageBox::Information, text);
    }

    void error(QWidget *parent, const QString &text) override
    {
        show(parent, QMessageBox::Critical, text);
    }

    bool openFile(
        QWidget *parent, const QString &filter, const QString &folder, QString &fileName) override
    {
        const QString start = fileName.trimmed().isEmpty() ? folder : fileName;
        const QString chosen = QFileDialog::getOpenFileName(parent, QString(), start, filter);
        if (chosen.isEmpty())
            return false;
        fileName = chosen;
        return true;
    }

    bool saveFile(
        QWidget *parent, const QString &filters, QString &fileName, QString &filter) override
    {
        const QString chosen
            = QFileDialog::getSaveFileName(parent, QString(), fileName, filters, &filter);
        if (chosen.isEmpty())
            return false;
        fileName = chosen;
        return true;
    }

private:
    static void show(QWidget *parent, QMessageBox::Icon icon, const QString &text)
    {
        QMessageBox box(
            icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
        box.exec();
    }
};

QtDialogs &qtDialogs()
{
    static QtDialogs dialogs;
    return dialogs;
}

Dialogs *installed = nullptr;

} // namespace

Dialogs &Dialogs::current()
{
    return installed ? *installed : qtDialogs();
}

void Dialogs::install(Dialogs *dialogs)
{
    installed = dialogs;
}

} // namespace kelvane
