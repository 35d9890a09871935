// What a window says to a person, walked widget by widget: the texts on the screen, the tool
// tips, and what a screen reader names and describes. Data the window only shows (the drive's
// text, the command table's records, ports and rates, what was typed) is left out by the caller.
#pragma once

#include <QList>
#include <QString>
#include <functional>

class QWidget;

namespace kelvane {

struct ShownText
{
    QString where; // object name and kind, "btnConnect text"
    QString text;
};

// Every text of `window` and of the widgets, menus and items in it, hidden ones too (a hidden
// part shows its texts some other time). `isData` says which widgets only show data: their
// content is skipped, their names and tool tips are not.
QList<ShownText> shownTexts(
    const QWidget &window, const std::function<bool(const QWidget &)> &isData = {});

// Whether `text` holds a Cyrillic letter.
bool hasCyrillic(const QString &text);

// The texts of `texts` that hold a Cyrillic letter, a line each with where they are.
QString cyrillicTexts(const QList<ShownText> &texts);

} // namespace kelvane
