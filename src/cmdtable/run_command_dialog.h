// Tcommand: the run dialog of the user command table. It shows the current record's name and
// lets the command and its level be changed before they are sent; OK sends "/" and the level,
// then the command, as they stand in the boxes, and drops the edit, so the table keeps its text.
// Each showing first stores what was pending on the record.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class Tcommand;
}

namespace kelvane {

class ErrorSink;
class TBComPort;
class TDataSource;

class Tcommand : public QDialog
{
    Q_OBJECT
public:
    // `errors` receives what escapes the handlers.
    // REQUIRES: the source's dataset is open; it and `errors` outlive the dialog.
    Tcommand(TBComPort &port, TDataSource &source, ErrorSink &errors, QWidget *parent = nullptr);
    ~Tcommand() override;

    void FormActivate();
    void OKBtnClick();
    void CancelBtnClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::Tcommand> m_ui;
    TBComPort &m_port;
    TDataSource &m_source;
    ErrorSink &m_errors;
};

} // namespace kelvane
