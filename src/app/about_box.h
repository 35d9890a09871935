// TAboutBox: the About box, a fixed white dialog over the product's background picture with the
// version, the platform, and a scrolling text about the program.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TAboutBox;
}

namespace kelvane {

class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
    ~TAboutBox() override;

    // The text of the scrolling area.
    static QString aboutText();

private:
    std::unique_ptr<Ui::TAboutBox> m_ui;
};

} // namespace kelvane
