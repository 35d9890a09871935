#include "cmdtable/run_command_dialog.h"

#include "dataset/data_set.h"
#include "dataviews/data_source.h"
#include "framework/cp1251_text.h"
#include "framework/guarded.h"
#include "serial/com_port.h"
#include "ui_run_command_dialog.h"

namespace kelvane {

Tcommand::Tcommand(TBComPort &port, TDataSource &source, ErrorSink &errors, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::Tcommand>()), m_port(port), m_source(source), m_errors(errors)
{
    m_ui->setupUi(this);
    setFixedSize(size());
    m_ui->DBText1->SetDataSource(&source);
    m_ui->DBText1->SetDataField("NAME");
    m_ui->DBText1->setAccessibleName(tr("Имя команды"));
    m_ui->DBEdit1->SetDataSource(&source);
    m_ui->DBEdit1->SetDataField("COMAND");
    m_ui->DBEdit1->setAccessibleName(tr("Команда"));
    m_ui->DBEdit2->SetDataSource(&source);
    m_ui->DBEdit2->SetDataField("UROVEN");
    m_ui->DBEdit2->setAccessibleName(tr("Уровень выполнения"));
    // A table open only for reading stores nothing, but a command may still be changed and sent.
    m_ui->DBEdit1->setTypingWhenReadOnly(true);
    m_ui->DBEdit2->setTypingWhenReadOnly(true);
    // Either button ends the dialog once its action has run, even when the action failed.
    connect(m_ui->OKBtn, &QPushButton::clicked, this, [this] {
        runGuarded(m_errors, [this] { OKBtnClick(); });
        accept();
    });
    connect(m_ui->CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
}

Tcommand::~Tcommand() = default;

void Tcommand::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    runGuarded(m_errors, [this] { FormActivate(); });
}

void Tcommand::FormActivate()
{
    // Stores what was left pending on the record (an empty table gets its first, blank record),
    // then edits again, so what is typed now can be sent and dropped.
    TDataSet &table = *m_source.DataSet();
    if (!table.CanModify())
        return;
    table.Edit();
    table.Post();
    table.Edit();
}

void Tcommand::OKBtnClick()
{
    if (!m_port.IsOpen())
        return;
    m_port.SendText("/" + toCp1251(m_ui->DBEdit2->text()));
    m_port.SendText(toCp1251(m_ui->DBEdit1->text()));
    m_source.DataSet()->Cancel();
    // What was typed into a table open for reading only was never an edit: drop it too.
    m_ui->DBEdit1->revert();
    m_ui->DBEdit2->revert();
}

void Tcommand::CancelBtnClick()
{
    // The edit stays, with whatever was typed; it is stored the next time the record is.
    reject();
}

} // namespace kelvane
