#include "commands/free_level_dialog.h"

#include "serial/com_port.h"
#include "ui_free_level_dialog.h"

namespace kelvane {

Tuserlevel::Tuserlevel(TBComPort &port, ErrorSink &errors, QWidget *parent)
    : ParameterDialog(port, errors, TitleBar::CloseOnly, parent),
      m_ui(std::make_unique<Ui::Tuserlevel>())
{
    m_ui->setupUi(this);
    fixSize();
    onClick(m_ui->OKBtn, [this] { OKBtnClick(); });
    onClick(m_ui->CancelBtn, [this] { CancelBtnClick(); });
}

Tuserlevel::~Tuserlevel() = default;

void Tuserlevel::OKBtnClick()
{
    if (m_port.IsOpen())
        m_port.SendText("/" + bytes(m_ui->Edit1->text()));
    accept();
}

void Tuserlevel::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
