// A menu item chosen as a person does: a click on the menu bar's entry, then a click on the item
// in the popup that opened.
#pragma once

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace kelvane {

// Opens the top-level menu named `menuName` of `window` and clicks its item `itemName`. Returns
// false (and clicks nothing) when the popup did not open or does not show the item. An item that
// opens a modal window returns only once that window has closed.
inline bool clickMenuItem(QMainWindow &window, const char *menuName, const char *itemName)
{
    auto *menu = window.findChild<QMenu *>(QString::fromLatin1(menuName));
    auto *item = window.findChild<QAction *>(QString::fromLatin1(itemName));
    if (!menu || !item)
        return false;
    QMenuBar *bar = window.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, 1000))
        return false;
    const QRect place = menu->actionGeometry(item);
    if (place.isEmpty())
        return false;
    QTest::mouseClick(menu, Qt::LeftButton, {}, place.center());
    return true;
}

} // namespace kelvane
