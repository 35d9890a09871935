#include "commands/drive_type_dialog.h"

#include "serial/com_port.h"
#include "ui_drive_type_dialog.h"

namespace kelvane {

Tgolovki::Tgolovki(TBComPort &port, QWidget *parent)
    : ParameterDialog(port, TitleBar::NoButtons, parent), ui(std::make_unique<Ui::Tgolovki>())
{
    ui->setupUi(this);
    fixSize();
    onClick(ui->OKBtn, [this] { OKBtnClick(); });
    onClick(ui->CancelBtn, [this] { CancelBtnClick(); });
}

Tgolovki::~Tgolovki() = default;

std::string Tgolovki::HeadCountLine() const
{
    if (ui->RadioButton2->isChecked()) // "Две"
        return "YE1";
    if (ui->RadioButton3->isChecked()) // "Три"
        return "YE2";
    if (ui->RadioButton4->isChecked()) // "Четыре"
        return "YE3";
    return "YE0";
}

void Tgolovki::OKBtnClick()
{
    // Reached only from a menu that is enabled while connected, so the port is not tested.
    port_.SendText("/T");
    port_.SendText(HeadCountLine());
    accept();
}

void Tgolovki::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
