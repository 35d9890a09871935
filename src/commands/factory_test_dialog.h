// TForm1: the factory test dialog. "ОК" starts the test whose number was typed, on level T, and
// leaves a single blank in the field; neither button reacts to Enter or Esc. Each time the dialog
// is shown the field has the focus with its whole text selected, and the first click into it
// keeps that selection, so the number typed next replaces the blank.
#pragma once

#include "commands/parameter_dialog.h"

#include <memory>

namespace Ui {
class TForm1;
}

namespace kelvane {

class TForm1 : public ParameterDialog
{
    Q_OBJECT
public:
    TForm1(TBComPort &port, ErrorSink &errors, QWidget *parent = nullptr);
    ~TForm1() override;

    void Button1Click();
    void Button2Click();

    // Esc does nothing here: only the two buttons close the dialog.
    void reject() override { }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<Ui::TForm1> m_ui;
    bool m_wholeTextSelected = false; // as the dialog was shown, until the user acts on the field
};

} // namespace kelvane
