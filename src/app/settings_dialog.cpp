#include "app/settings_dialog.h"

#include "app/settings.h"
#include "ui_settings_dialog.h"

#include <QPushButton>

namespace kelvane {

SettingsDialog::SettingsDialog(Settings &settings, const QString &journalFolder, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::SettingsDialog>()), m_settings(settings)
{
    m_ui->setupUi(this);
    m_ui->buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    m_ui->journalFolder->setText(QStringLiteral("Папка журналов: %1").arg(journalFolder));
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::showEvent(QShowEvent *event)
{
    m_ui->journalEnabled->setChecked(m_settings.journalEnabled());
    m_ui->scrollbackLines->setValue(static_cast<int>(
        std::min<qint64>(m_settings.scrollbackLines(), m_ui->scrollbackLines->maximum())));
    m_ui->journalEnabled->setFocus();
    QDialog::showEvent(event);
}

void SettingsDialog::accept()
{
    m_settings.setJournalEnabled(m_ui->journalEnabled->isChecked());
    m_settings.setScrollbackLines(m_ui->scrollbackLines->value());
    QDialog::accept();
}

} // namespace kelvane
