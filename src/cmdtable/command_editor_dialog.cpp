#include "cmdtable/command_editor_dialog.h"

#include "dataset/data_set.h"
#include "framework/data_source.h"
#include "framework/guarded.h"
#include "ui_command_editor_dialog.h"

namespace kelvane {

Tcommand2::Tcommand2(TDataSource &source, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::Tcommand2>()), source_(source)
{
    ui->setupUi(this);
    setFixedSize(402, 319);
    ui->DBNavigator1->SetDataSource(&source);
    ui->DBNavigator1->SetAccessibleName(QStringLiteral("Навигатор по командам"));
    ui->DBGrid1->SetDataSource(&source);
    ui->DBGrid1->SetColumns({{"NAME", QStringLiteral("Название команды"), 175, true},
        {"COMAND", QStringLiteral("Команда"), 142, true},
        {"UROVEN", QStringLiteral("Уровень"), 49, true}});
    ui->DBGrid1->SetAccessibleName(QStringLiteral("Команды пользователя"));
    connect(ui->OKBtn, &QPushButton::clicked, this, [this] { closeAfter(&Tcommand2::OKBtnClick); });
    connect(ui->CancelBtn, &QPushButton::clicked, this,
        [this] { closeAfter(&Tcommand2::CancelBtnClick); });
    connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    if (!source_.DataSet()->CanModify()) {
        // A table open only for reading can be looked at, not changed.
        ui->OKBtn->setEnabled(false);
        ui->CancelBtn->setEnabled(false);
        ui->Button1->setDefault(true);
        return;
    }
    RunGuarded([this] { source_.DataSet()->Edit(); });
}

Tcommand2::~Tcommand2() = default;

void Tcommand2::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    RunGuarded([this] { FormActivate(); });
}

void Tcommand2::closeAfter(void (Tcommand2::*action)())
{
    RunGuarded([this, action] { (this->*action)(); });
    accept();
}

void Tcommand2::FormActivate()
{
    if (source_.DataSet()->CanModify())
        source_.DataSet()->Edit();
}

void Tcommand2::OKBtnClick()
{
    // Leaving the record stores a pending edit if a field changed and drops it otherwise; the
    // new record is blank and goes to the end of the file. The user fills it in the grid later.
    TDataSet &table = *source_.DataSet();
    table.Insert();
    table.Post();
}

void Tcommand2::CancelBtnClick()
{
    TDataSet &table = *source_.DataSet();
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
