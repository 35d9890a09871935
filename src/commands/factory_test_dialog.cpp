#include "commands/factory_test_dialog.h"

#include "serial/com_port.h"
#include "ui_factory_test_dialog.h"

#include <QMouseEvent>

namespace kelvane {

TForm1::TForm1(TBComPort &port, ErrorSink &errors, QWidget *parent)
    : ParameterDialog(port, errors, TitleBar::NoButtons, parent),
      m_ui(std::make_unique<Ui::TForm1>())
{
    m_ui->setupUi(this);
    fixSize();
    onClick(m_ui->Button1, [this] { Button1Click(); });
    onClick(m_ui->Button2, [this] { Button2Click(); });
    m_ui->Edit1->installEventFilter(this);
}

TForm1::~TForm1() = default;

void TForm1::Button1Click()
{
    if (m_port.IsOpen()) {
        m_port.SendText("/T");
        m_port.SendText("T" + bytes(m_ui->Edit1->text()));
        m_ui->Edit1->setText(QStringLiteral(" "));
    }
    done(Accepted);
}

void TForm1::showEvent(QShowEvent *event)
{
    ParameterDialog::showEvent(event);
    m_ui->Edit1->setFocus();
    m_ui->Edit1->selectAll();
    m_wholeTextSelected = true;
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->Edit1 && m_wholeTextSelected) {
        if (event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            // A click would drop the selection and leave the caret after the blank.
            m_wholeTextSelected = false;
            m_ui->Edit1->setFocus(Qt::MouseFocusReason);
            m_ui->Edit1->selectAll();
            return true;
        }
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonDblClick)
            m_wholeTextSelected = false;
    }
    return ParameterDialog::eventFilter(watched, event);
}

void TForm1::Button2Click()
{
    done(Rejected);
}

} // namespace kelvane
