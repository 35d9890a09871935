#include "cmdtable/run_command_dialog.h"

#include "dataset/data_set.h"
#include "framework/cp1251_text.h"
#include "framework/data_source.h"
#include "framework/guarded.h"
#include "serial/com_port.h"
#include "ui_run_command_dialog.h"

namespace kelvane {

Tcommand::Tcommand(TBComPort &port, TDataSource &source, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::Tcommand>()), port_(port), source_(source)
{
    ui->setupUi(this);
    setFixedSize(size());
    ui->DBText1->SetDataSource(&source);
    ui->DBText1->SetDataField("NAME");
    ui->DBText1->SetAccessibleName(QStringLiteral("Имя команды"));
    ui->DBEdit1->SetDataSource(&source);
    ui->DBEdit1->SetDataField("COMAND");
    ui->DBEdit1->SetAccessibleName(QStringLiteral("Команда"));
    ui->DBEdit2->SetDataSource(&source);
    ui->DBEdit2->SetDataField("UROVEN");
    ui->DBEdit2->SetAccessibleName(QStringLiteral("Уровень выполнения"));
    // A table open only for reading stores nothing, but a command may still be changed and sent.
    ui->DBEdit1->SetTypingWhenReadOnly(true);
    ui->DBEdit2->SetTypingWhenReadOnly(true);
    // Either button ends the dialog once its action has run, even when the action failed.
    connect(ui->OKBtn, &QPushButton::clicked, this, [this] {
        RunGuarded([this] { OKBtnClick(); });
        accept();
    });
    connect(ui->CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
}

Tcommand::~Tcommand() = default;

void Tcommand::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    RunGuarded([this] { FormActivate(); });
}

void Tcommand::FormActivate()
{
    // Stores what was left pending on the record (an empty table gets its first, blank record),
    // then edits again, so what is typed now can be sent and dropped.
    TDataSet &table = *source_.DataSet();
    if (!table.CanModify())
        return;
    table.Edit();
    table.Post();
    table.Edit();
}

void Tcommand::OKBtnClick()
{
    if (!port_.IsOpen())
        return;
    port_.SendText("/" + ToCp1251(ui->DBEdit2->text()));
    port_.SendText(ToCp1251(ui->DBEdit1->text()));
    source_.DataSet()->Cancel();
    // What was typed into a table open for reading only was never an edit: drop it too.
    ui->DBEdit1->Revert();
    ui->DBEdit2->Revert();
}

void Tcommand::CancelBtnClick()
{
    // The edit stays, with whatever was typed; it is stored the next time the record is.
    reject();
}

} // namespace kelvane
