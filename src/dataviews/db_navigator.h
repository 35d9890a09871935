// TDBNavigator: five buttons acting on a dataset: insert a record, delete the current one (no
// confirmation), edit it, store it, cancel the edit. Each is enabled only when its action makes
// sense in the dataset's state. It does not own the data source. Errors go to the general error
// display. Main thread only.
#pragma once

#include "dataviews/data_source.h"

#include <QWidget>
#include <array>

class QToolButton;

namespace kelvane {

enum TNavigateBtn { nbInsert, nbDelete, nbEdit, nbPost, nbCancel };

class TDBNavigator : public QWidget
{
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget *parent = nullptr);
    ~TDBNavigator() override;

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    QToolButton *button(TNavigateBtn button) const { return m_buttons[button]; }
    // What a click of the button does.
    void BtnClick(TNavigateBtn button);

private:
    void updateButtons();

    std::array<QToolButton *, 5> m_buttons {};
    ViewDataLink m_link;
};

} // namespace kelvane
