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

class TBComPort;
class TDataSource;

class Tcommand : public QDialog
{
    Q_OBJECT
public:
    // REQUIRES: the source's dataset is open and outlives the dialog.
    Tcommand(TBComPort &port, TDataSource &source, QWidget *parent = nullptr);
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
};

} // namespace kelvane
