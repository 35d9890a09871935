// LeftElidingComboBox: a combo box that, when its text is too long for it, drops the beginning
// rather than the end, so a device path in a narrow box still shows its telling part
// ("…ttyUSB0"); an entry marked with KeepsBeginningRole (a description, whose start tells most)
// drops its end instead. The drop-down list is as wide as its longest entry. Just before the list
// drops down it tells its owner, who may fill it anew.
#pragma once

#include <QComboBox>

namespace kelvane {

class LeftElidingComboBox : public QComboBox
{
    Q_OBJECT
public:
    static constexpr int KeepsBeginningRole = Qt::UserRole + 1;

    using QComboBox::QComboBox;

    void showPopup() override;

signals:
    void popupAboutToShow();

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace kelvane
