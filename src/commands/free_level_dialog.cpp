#include "commands/free_level_dialog.h"

#include "serial/com_port.h"
#include "ui_free_level_dialog.h"

namespace kelvane {

Tuserlevel::Tuserlevel(TBComPort &port, QWidget *parent)
    : ParameterDialog(port, TitleBar::CloseOnly, parent), ui(std::make_unique<Ui::Tuserlevel>())
{
    ui->setupUi(this);
    fixSize();
    onClick(ui->OKBtn, [this] { OKBtnClick(); });
    onClick(ui->CancelBtn, [this] { CancelBtnClick(); });
}

Tuserlevel::~Tuserlevel() = default;

void Tuserlevel::OKBtnClick()
{
    if (port_.IsOpen())
        port_.SendText("/" + Bytes(ui->Edit1->text()));
    accept();
}

void Tuserlevel::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
