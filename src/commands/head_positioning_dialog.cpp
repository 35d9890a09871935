#include "commands/head_positioning_dialog.h"

#include "serial/com_port.h"
#include "ui_head_positioning_dialog.h"

namespace kelvane {

Tgolovka2::Tgolovka2(TBComPort &port, QWidget *parent)
    : ParameterDialog(port, TitleBar::CloseOnly, parent), ui(std::make_unique<Ui::Tgolovka2>())
{
    ui->setupUi(this);
    fixSize();
    ui->ComboBox1->setCurrentIndex(0);
    onClick(ui->OKBtn, [this] { OKBtnClick(); });
    onClick(ui->CancelBtn, [this] { CancelBtnClick(); });
}

Tgolovka2::~Tgolovka2() = default;

void Tgolovka2::OKBtnClick()
{
    const std::string head = Bytes(ui->ComboBox1->currentText());
    const std::string track = Bytes(ui->Edit1->text());
    if (port_.IsOpen()) {
        port_.SendText("/2");
        port_.SendText("S" + track + "," + head);
    }
    accept();
}

void Tgolovka2::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
