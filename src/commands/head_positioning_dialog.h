// Tgolovka2: the head positioning dialog. OK moves the chosen head to the typed track, on level 2,
// with both texts exactly as typed.
#pragma once

#include "commands/parameter_dialog.h"

#include <memory>

namespace Ui {
class Tgolovka2;
}

namespace kelvane {

class Tgolovka2 : public ParameterDialog
{
    Q_OBJECT
public:
    Tgolovka2(TBComPort &port, ErrorSink &errors, QWidget *parent = nullptr);
    ~Tgolovka2() override;

    void OKBtnClick();
    void CancelBtnClick();

private:
    std::unique_ptr<Ui::Tgolovka2> m_ui;
};

} // namespace kelvane
