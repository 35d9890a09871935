#include "factory_test_dialog.h"

#include "com_port.h"
#include "ui_factory_test_dialog.h"

TForm1::TForm1(TBComPort &port, QWidget *parent)
    : TParameterDialog(port, TitleBar::NoButtons, parent), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    fixSize();
    onClick(ui->Button1, [this] { Button1Click(); });
    onClick(ui->Button2, [this] { Button2Click(); });
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

void TForm1::Button2Click()
{
    done(Rejected);
}
