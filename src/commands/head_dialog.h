// TGolovka: the physical head dialog. Each of the four buttons stands for the digit of its place
// in reading order, which is not always the number in its caption.
#pragma once

#include "commands/parameter_dialog.h"

#include <memory>

namespace Ui {
class TGolovka;
}

namespace kelvane {

class TGolovka : public ParameterDialog
{
    Q_OBJECT
public:
    TGolovka(TBComPort &port, ErrorSink &errors, QWidget *parent = nullptr);
    ~TGolovka() override;

    void OKBtnClick();
    void CancelBtnClick();
    // The digit of the selected button, "1" to "4".
    std::string selectedDigit() const;

private:
    std::unique_ptr<Ui::TGolovka> m_ui;
};

} // namespace kelvane
