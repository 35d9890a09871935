#include "commands/head_positioning_dialog.h"

#include "serial/com_port.h"
#include "ui_head_positioning_dialog.h"

namespace kelvane {

Tgolovka2::Tgolovka2(TBComPort &port, ErrorSink &errors, QWidget *parent)
    : ParameterDialog(port, errors, TitleBar::CloseOnly, parent),
      m_ui(std::make_unique<Ui::Tgolovka2>())
{
    m_ui->setupUi(this);
    fixSize();
    m_ui->ComboBox1->setCurrentIndex(0);
    onClick(m_ui->OKBtn, [this] { OKBtnClick(); });
    onClick(m_ui->CancelBtn, [this] { CancelBtnClick(); });
}

Tgolovka2::~Tgolovka2() = default;

void Tgolovka2::OKBtnClick()
{
    const std::string head = bytes(m_ui->ComboBox1->currentText());
    const std::string track = bytes(m_ui->Edit1->text());
    if (m_port.IsOpen()) {
        m_port.SendText("/2");
        m_port.SendText("S" + track + "," + head);
    }
    accept();
}

void Tgolovka2::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
