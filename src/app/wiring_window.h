// TForm7: the terminal scheme window, the wiring diagram of the adapter between the PC's serial
// port and the drive's service connector, with a button that closes it.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TForm7;
}

namespace kelvane {

class TForm7 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm7(QWidget *parent = nullptr);
    ~TForm7() override;

private:
    std::unique_ptr<Ui::TForm7> m_ui;
};

} // namespace kelvane
