#include "commands/drive_type_dialog.h"

#include "serial/com_port.h"
#include "ui_drive_type_dialog.h"

namespace kelvane {

Tgolovki::Tgolovki(TBComPort &port, ErrorSink &errors, QWidget *parent)
    : ParameterDialog(port, errors, TitleBar::NoButtons, parent),
      m_ui(std::make_unique<Ui::Tgolovki>())
{
    m_ui->setupUi(this);
    fixSize();
    onClick(m_ui->OKBtn, [this] { OKBtnClick(); });
    onClick(m_ui->CancelBtn, [this] { CancelBtnClick(); });
}

Tgolovki::~Tgolovki() = default;

std::string Tgolovki::headCountLine() const
{
    if (m_ui->RadioButton2->isChecked()) // "Две"
        return "YE1";
    if (m_ui->RadioButton3->isChecked()) // "Три"
        return "YE2";
    if (m_ui->RadioButton4->isChecked()) // "Четыре"
        return "YE3";
    return "YE0";
}

void Tgolovki::OKBtnClick()
{
    // Reached only from a menu that is enabled while connected, so the port is not tested.
    m_port.SendText("/T");
    m_port.SendText(headCountLine());
    accept();
}

void Tgolovki::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
