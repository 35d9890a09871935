#include "commands/factory_test_dialog.h"

#include "serial/com_port.h"
#include "ui_factory_test_dialog.h"

#include <QMouseEvent>

namespace kelvane {

TForm1::TForm1(TBComPort &port, QWidget *parent)
    : ParameterDialog(port, TitleBar::NoButtons, parent), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    fixSize();
    onClick(ui->Button1, [this] { Button1Click(); });
    onClick(ui->Button2, [this] { Button2Click(); });
    ui->Edit1->installEventFilter(this);
}

TForm1::~TForm1() = default;

void TForm1::Button1Click()
{
    if (port_.IsOpen()) {
        port_.SendText("/T");
        port_.SendText("T" + Bytes(ui->Edit1->text()));
        ui->Edit1->setText(QStringLiteral(" "));
    }
    done(Accepted);
}

void TForm1::showEvent(QShowEvent *event)
{
    ParameterDialog::showEvent(event);
    ui->Edit1->setFocus();
    ui->Edit1->selectAll();
    wholeTextSelected_ = true;
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Edit1 && wholeTextSelected_) {
        if (event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            // A click would drop the selection and leave the caret after the blank.
            wholeTextSelected_ = false;
            ui->Edit1->setFocus(Qt::MouseFocusReason);
            ui->Edit1->selectAll();
            return true;
        }
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonDblClick)
            wholeTextSelected_ = false;
    }
    return ParameterDialog::eventFilter(watched, event);
}

void TForm1::Button2Click()
{
    done(Rejected);
}

} // namespace kelvane
