#include "commands/head_dialog.h"

#include "serial/com_port.h"
#include "ui_head_dialog.h"

namespace kelvane {

TGolovka::TGolovka(TBComPort &port, QWidget *parent)
    : ParameterDialog(port, TitleBar::CloseOnly, parent), ui(std::make_unique<Ui::TGolovka>())
{
    ui->setupUi(this);
    fixSize();
    onClick(ui->OKBtn, [this] { OKBtnClick(); });
    onClick(ui->CancelBtn, [this] { CancelBtnClick(); });
}

TGolovka::~TGolovka() = default;

std::string TGolovka::SelectedDigit() const
{
    // Top left, top right, bottom left, bottom right.
    if (ui->RadioButton2->isChecked())
        return "2";
    if (ui->RadioButton3->isChecked())
        return "3";
    if (ui->RadioButton4->isChecked())
        return "4";
    return "1";
}

void TGolovka::OKBtnClick()
{
    const std::string digit = SelectedDigit();
    if (port_.IsOpen()) {
        port_.SendText("/2");
        port_.SendText("H" + digit);
    }
    accept();
}

void TGolovka::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
