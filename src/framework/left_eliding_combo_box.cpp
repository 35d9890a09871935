#include "framework/left_eliding_combo_box.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace kelvane {

void LeftElidingComboBox::showPopup()
{
    emit popupAboutToShow();
    int widest = width();
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)) + 32);
    view()->setMinimumWidth(widest);
    QComboBox::showPopup();
}

void LeftElidingComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field
        = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const bool keepsBeginning = currentData(KeepsBeginningRole).toBool();
    option.currentText = fontMetrics().elidedText(
        option.currentText, keepsBeginning ? Qt::ElideRight : Qt::ElideLeft, field.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace kelvane
