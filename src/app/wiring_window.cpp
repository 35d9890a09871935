#include "app/wiring_window.h"

#include "framework/pictures.h"
#include "ui_wiring_window.h"

namespace kelvane {

TForm7::TForm7(QWidget *parent)
    // No title-bar buttons: the window is closed with its own button.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_ui(std::make_unique<Ui::TForm7>())
{
    m_ui->setupUi(this);
    setFixedSize(587, 345);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    m_ui->Image1->setPixmap(renderPicture(QStringLiteral(":/wiring"), m_ui->Image1->size()));
}

TForm7::~TForm7() = default;

} // namespace kelvane
