// TerminalView: what the user can do with the terminal pane's view and text beyond reading it. It
// adds the "Вид" menu (line times, hex view, search, font size) to the menu bar and "Сохранить
// текст терминала..." to the file menu, and puts the find bar under the pane.
#pragma once

#include <QObject>
#include <functional>

class QAction;
class QMainWindow;
class QMenu;

namespace kelvane {

class ErrorSink;
class TerminalFindBar;
class TerminalPane;

class TerminalView : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultFontSize = 11; // pixels
    static constexpr int SmallestFontSize = 6;
    static constexpr int LargestFontSize = 40;

    // The view menu goes before `menuAfter` in `window`'s menu bar, the save item and a separator
    // before `fileItemAfter` in `fileMenu`. Failures to save go to `errors`.
    TerminalView(QMainWindow &window, TerminalPane &pane, QMenu &fileMenu, QAction *fileItemAfter,
        QMenu &menuAfter, ErrorSink &errors);

    int fontSize() const;
    // Clamped to what can be read and what fits.
    void setFontSize(int pixels);
    // Told every size the user chooses, to remember it for the next start.
    std::function<void(int)> fontSizeChosen;

    // Asks for a file and writes the pane's text there.
    void saveText();

private:
    void chooseFontSize(int pixels);

    QMainWindow &m_window;
    TerminalPane &m_pane;
    ErrorSink &m_errors;
    TerminalFindBar *m_findBar;
};

} // namespace kelvane
