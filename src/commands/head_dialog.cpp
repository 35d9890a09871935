#include "commands/head_dialog.h"

#include "serial/com_port.h"
#include "ui_head_dialog.h"

namespace kelvane {

TGolovka::TGolovka(TBComPort &port, ErrorSink &errors, QWidget *parent)
    : ParameterDialog(port, errors, TitleBar::CloseOnly, parent),
      m_ui(std::make_unique<Ui::TGolovka>())
{
    m_ui->setupUi(this);
    fixSize();
    onClick(m_ui->OKBtn, [this] { OKBtnClick(); });
    onClick(m_ui->CancelBtn, [this] { CancelBtnClick(); });
}

TGolovka::~TGolovka() = default;

std::string TGolovka::selectedDigit() const
{
    // Top left, top right, bottom left, bottom right.
    if (m_ui->RadioButton2->isChecked())
        return "2";
    if (m_ui->RadioButton3->isChecked())
        return "3";
    if (m_ui->RadioButton4->isChecked())
        return "4";
    return "1";
}

void TGolovka::OKBtnClick()
{
    const std::string digit = selectedDigit();
    if (m_port.IsOpen()) {
        m_port.SendText("/2");
        m_port.SendText("H" + digit);
    }
    accept();
}

void TGolovka::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
