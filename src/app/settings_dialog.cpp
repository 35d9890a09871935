#include "app/settings_dialog.h"

#include "app/settings.h"
#include "ui_settings_dialog.h"

#include <QPushButton>

namespace kelvane {

namespace {

// The items of the language box, in their order.
enum LanguageItem { SystemLanguage, Russian, English };

} // namespace

SettingsDialog::SettingsDialog(Settings &settings, const QString &journalFolder, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::SettingsDialog>()), m_settings(settings)
{
    m_ui->setupUi(this);
    m_ui->buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(tr("Отмена"));
    m_ui->journalFolder->setText(tr("Папка журналов: %1").arg(journalFolder));
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::showEvent(QShowEvent *event)
{
    m_ui->journalEnabled->setChecked(m_settings.journalEnabled());
    m_ui->scrollbackLines->setValue(static_cast<int>(
        std::min<qint64>(m_settings.scrollbackLines(), m_ui->scrollbackLines->maximum())));
    const std::optional<Language> language = m_settings.interfaceLanguage();
    m_ui->interfaceLanguage->setCurrentIndex(!language ? SystemLanguage
            : *language == Language::English           ? English
                                                       : Russian);
    m_ui->journalEnabled->setFocus();
    QDialog::showEvent(event);
}

void SettingsDialog::accept()
{
    m_settings.setJournalEnabled(m_ui->journalEnabled->isChecked());
    m_settings.setScrollbackLines(m_ui->scrollbackLines->value());
    switch (m_ui->interfaceLanguage->currentIndex()) {
    case Russian:
        m_settings.setInterfaceLanguage(Language::Russian);
        break;
    case English:
        m_settings.setInterfaceLanguage(Language::English);
        break;
    default:
        m_settings.setInterfaceLanguage(std::nullopt);
        break;
    }
    QDialog::accept();
}

} // namespace kelvane
