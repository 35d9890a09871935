// Tcommand2: the editor of the user command table: a navigator, a grid of all commands edited in
// place, and three buttons that each close the editor after their action: add a blank command,
// store the current one, or just close. Each showing puts the current record into edit state.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class Tcommand2;
}

namespace kelvane {

class ErrorSink;
class TDataSource;

class Tcommand2 : public QDialog
{
    Q_OBJECT
public:
    // Puts the table into edit state on the current record (an insert on an empty table).
    // `errors` receives what escapes the handlers.
    // REQUIRES: the source's dataset is open; it and `errors` outlive the dialog.
    Tcommand2(TDataSource &source, ErrorSink &errors, QWidget *parent = nullptr);
    ~Tcommand2() override;

    void FormActivate();
    void OKBtnClick();
    void CancelBtnClick();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Runs `action` (an error is shown), then closes.
    void closeAfter(void (Tcommand2::*action)());

    std::unique_ptr<Ui::Tcommand2> m_ui;
    TDataSource &m_source;
    ErrorSink &m_errors;
};

} // namespace kelvane
