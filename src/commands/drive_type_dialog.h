// Tgolovki: the drive type dialog. OK tells the drive, on level T, how many heads it has (the line
// carries the count minus one).
#pragma once

#include "commands/parameter_dialog.h"

#include <memory>

namespace Ui {
class Tgolovki;
}

namespace kelvane {

class Tgolovki : public ParameterDialog
{
    Q_OBJECT
public:
    Tgolovki(TBComPort &port, ErrorSink &errors, QWidget *parent = nullptr);
    ~Tgolovki() override;

    void OKBtnClick();
    void CancelBtnClick();
    // "YE0" for one head to "YE3" for four.
    std::string headCountLine() const;

private:
    std::unique_ptr<Ui::Tgolovki> m_ui;
};

} // namespace kelvane
