// Tuserlevel: the free level dialog. OK switches the drive to the level typed, exactly as typed.
#pragma once

#include "commands/parameter_dialog.h"

#include <memory>

namespace Ui {
class Tuserlevel;
}

namespace kelvane {

class Tuserlevel : public ParameterDialog
{
    Q_OBJECT
public:
    Tuserlevel(TBComPort &port, ErrorSink &errors, QWidget *parent = nullptr);
    ~Tuserlevel() override;

    void OKBtnClick();
    void CancelBtnClick();

private:
    std::unique_ptr<Ui::Tuserlevel> m_ui;
};

} // namespace kelvane
