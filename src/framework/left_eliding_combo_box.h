// LeftElidingComboBox: a combo box that, when its text is too long for it, drops the beginning
// rather than the end, so a device path in a narrow box still shows its telling part
// ("…ttyUSB0"). The drop-down list is as wide as its longest entry. Just before the list drops
// down it tells its owner, who may fill it anew.
#pragma once

#include <QComboBox>

namespace kelvane {

class LeftElidingComboBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override;

signals:
    void popupAboutToShow();

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace kelvane
