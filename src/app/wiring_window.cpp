#include "app/wiring_window.h"

#include "framework/pictures.h"
#include "ui_wiring_window.h"

namespace kelvane {

TForm7::TForm7(QWidget *parent)
    // No title-bar buttons: the window is closed with its own button.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui(std::make_unique<Ui::TForm7>())
{
    ui->setupUi(this);
    setFixedSize(587, 345);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    ui->Image1->setPixmap(RenderPicture(QStringLiteral(":/wiring"), ui->Image1->size()));
}

TForm7::~TForm7() = default;

} // namespace kelvane
