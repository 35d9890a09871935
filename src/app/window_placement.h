// WindowPlacement: keeps the main window's size and position from one run to the next in the
// settings, and where its splitter stands. Made with the window, it puts the window where it was
// last closed (a window whose place is not known yet stays where it is); it remembers the place
// each time the window closes.
#pragma once

#include <QObject>

class QSplitter;
class QWidget;

namespace kelvane {

class Settings;

class WindowPlacement : public QObject
{
    Q_OBJECT
public:
    WindowPlacement(QWidget *window, QSplitter *splitter, Settings &settings);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QSplitter *m_splitter;
    Settings &m_settings;
};

} // namespace kelvane
