#include "app/window_placement.h"

#include "app/settings.h"

#include <QEvent>
#include <QSplitter>
#include <QWidget>

namespace kelvane {

WindowPlacement::WindowPlacement(QWidget *window, QSplitter *splitter, Settings &settings)
    : QObject(window), m_window(window), m_splitter(splitter), m_settings(settings)
{
    const QByteArray geometry = m_settings.mainWindowGeometry();
    // A place on a screen that is gone is moved onto one that is there.
    if (!geometry.isEmpty())
        m_window->restoreGeometry(geometry);
    if (const QByteArray state = m_settings.mainWindowSplitter(); !state.isEmpty())
        m_splitter->restoreState(state);
    m_window->installEventFilter(this);
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close) {
        m_settings.setMainWindowGeometry(m_window->saveGeometry());
        m_settings.setMainWindowSplitter(m_splitter->saveState());
    }
    return false;
}

} // namespace kelvane
