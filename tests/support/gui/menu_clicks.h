// Menus reached as a person reaches them: a click on the menu bar's entry, a click on the item in
// the popup that opened, keys where the keyboard is.
#pragma once

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace kelvane {

// The popup that is up, or null.
inline QWidget *openPopup()
{
    return QApplication::activePopupWidget();
}

// Clicks the menu bar of `window` on the entry of `menu`.
inline void dropDown(QMainWindow &window, QMenu *menu)
{
    QMenuBar *bar = window.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
}

// Clicks `item` in the popup of `menu`. False (and clicks nothing) when that popup is not up or
// does not show the item.
inline bool clickInPopup(QMenu *menu, QAction *item)
{
    const QRect place = menu->actionGeometry(item);
    if (openPopup() != menu || place.isEmpty())
        return false;
    QTest::mouseClick(menu, Qt::LeftButton, {}, place.center());
    return true;
}

// A key pressed where the keyboard is: in the open popup, else in the focused widget. False when
// there is neither.
inline bool pressKey(Qt::Key key)
{
    QWidget *target = openPopup() ? openPopup() : QApplication::focusWidget();
    if (!target)
        return false;
    QTest::keyClick(target, key);
    return true;
}

// Closes the popups that are up, as Esc does.
inline void closeMenus()
{
    while (openPopup())
        pressKey(Qt::Key_Escape);
}

// Opens the top-level menu named `menuName` of `window` and clicks its item `itemName`. Returns
// false (and clicks nothing) when the popup did not open or does not show the item. An item that
// opens a modal window returns only once that window has closed.
inline bool clickMenuItem(QMainWindow &window, const char *menuName, const char *itemName)
{
    auto *menu = window.findChild<QMenu *>(QString::fromLatin1(menuName));
    auto *item = window.findChild<QAction *>(QString::fromLatin1(itemName));
    if (!menu || !item)
        return false;
    dropDown(window, menu);
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, 1000))
        return false;
    return clickInPopup(menu, item);
}

} // namespace kelvane
