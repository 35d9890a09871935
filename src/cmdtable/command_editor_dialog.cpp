#include "cmdtable/command_editor_dialog.h"

#include "dataset/data_set.h"
#include "dataviews/data_source.h"
#include "framework/guarded.h"
#include "ui_command_editor_dialog.h"

namespace kelvane {

Tcommand2::Tcommand2(TDataSource &source, ErrorSink &errors, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::Tcommand2>()), m_source(source), m_errors(errors)
{
    m_ui->setupUi(this);
    setFixedSize(402, 319);
    m_ui->DBNavigator1->SetDataSource(&source);
    m_ui->DBNavigator1->setAccessibleName(tr("Навигатор по командам"));
    m_ui->DBGrid1->SetDataSource(&source);
    m_ui->DBGrid1->setColumns({{"NAME", tr("Название команды"), 175, true},
        {"COMAND", tr("Команда"), 142, true}, {"UROVEN", tr("Уровень"), 49, true}});
    m_ui->DBGrid1->setAccessibleName(tr("Команды пользователя"));
    connect(
        m_ui->OKBtn, &QPushButton::clicked, this, [this] { closeAfter(&Tcommand2::OKBtnClick); });
    connect(m_ui->CancelBtn, &QPushButton::clicked, this,
        [this] { closeAfter(&Tcommand2::CancelBtnClick); });
    connect(m_ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    if (!m_source.DataSet()->CanModify()) {
        // A table open only for reading can be looked at, not changed.
        m_ui->OKBtn->setEnabled(false);
        m_ui->CancelBtn->setEnabled(false);
        m_ui->Button1->setDefault(true);
        return;
    }
    runGuarded(m_errors, [this] { m_source.DataSet()->Edit(); });
}

Tcommand2::~Tcommand2() = default;

void Tcommand2::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    runGuarded(m_errors, [this] { FormActivate(); });
}

void Tcommand2::closeAfter(void (Tcommand2::*action)())
{
    runGuarded(m_errors, [this, action] { (this->*action)(); });
    accept();
}

void Tcommand2::FormActivate()
{
    if (m_source.DataSet()->CanModify())
        m_source.DataSet()->Edit();
}

void Tcommand2::OKBtnClick()
{
    // Leaving the record stores a pending edit if a field changed and drops it otherwise; the
    // new record is blank and goes to the end of the file. The user fills it in the grid later.
    TDataSet &table = *m_source.DataSet();
    table.Insert();
    table.Post();
}

void Tcommand2::CancelBtnClick()
{
    TDataSet &table = *m_source.DataSet();
    if (table.State() == dsEdit || table.State() == dsInsert)
        table.Post();
    table.Refresh();
}

void Tcommand2::Button1Click()
{
    // A pending edit stays pending.
    accept();
}

} // namespace kelvane
