// SettingsDialog: "Настройки", where the user turns the session journal on or off, sets how
// many lines the terminal pane keeps, and chooses the interface's language, which the next start
// uses. It shows the settings as they are each time it opens and stores them when the user
// confirms; the program then applies them.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class SettingsDialog;
}

namespace kelvane {

class Settings;

class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    // `journalFolder` is shown where the journal goes.
    SettingsDialog(Settings &settings, const QString &journalFolder, QWidget *parent = nullptr);
    ~SettingsDialog() override;

    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::SettingsDialog> m_ui;
    Settings &m_settings;
};

} // namespace kelvane
