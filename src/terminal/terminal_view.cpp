#include "terminal/terminal_view.h"

#include "base/error_sink.h"
#include "framework/dialogs.h"
#include "terminal/terminal_find_bar.h"
#include "terminal/terminal_pane.h"
#include "terminal/terminal_text.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <algorithm>

namespace kelvane {

namespace {

QAction *addItem(
    QMenu &menu, const QString &name, const QString &text, const QList<QKeySequence> &keys = {})
{
    auto *item = new QAction(text, &menu);
    item->setObjectName(name);
    item->setShortcuts(keys);
    // The window's shortcut, wherever the keyboard is in it.
    item->setShortcutContext(Qt::WindowShortcut);
    menu.addAction(item);
    return item;
}

} // namespace

TerminalView::TerminalView(QMainWindow &window, TerminalPane &pane, QMenu &fileMenu,
    QAction *fileItemAfter, QMenu &menuAfter, ErrorSink &errors)
    : QObject(&window), m_window(window), m_pane(pane), m_errors(errors),
      m_findBar(new TerminalFindBar(pane))
{
    auto *save = new QAction(tr("Сохранить текст терминала..."), &fileMenu);
    save->setObjectName(QStringLiteral("saveTerminalText"));
    fileMenu.insertAction(fileItemAfter, save);
    fileMenu.insertSeparator(fileItemAfter);
    connect(save, &QAction::triggered, this, &TerminalView::saveText);

    auto *view = new QMenu(tr("Вид"), &window);
    view->setObjectName(QStringLiteral("viewMenu"));
    window.menuBar()->insertMenu(menuAfter.menuAction(), view);
    QAction *times = addItem(*view, QStringLiteral("lineTimes"), tr("Время строк"));
    times->setCheckable(true);
    connect(times, &QAction::toggled, &pane, &TerminalPane::setShowsLineTimes);
    QAction *hex = addItem(*view, QStringLiteral("hexView"), tr("Шестнадцатеричный вид"));
    hex->setCheckable(true);
    connect(hex, &QAction::toggled, &pane, &TerminalPane::setShowsHex);
    view->addSeparator();
    connect(addItem(*view, QStringLiteral("find"), tr("Найти..."), {QKeySequence::Find}),
        &QAction::triggered, m_findBar, &TerminalFindBar::open);
    view->addSeparator();
    // Ctrl+= too: on most keyboards "+" needs Shift.
    connect(addItem(*view, QStringLiteral("fontLarger"), tr("Крупнее"),
                {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}),
        &QAction::triggered, this, [this] { chooseFontSize(fontSize() + 1); });
    connect(addItem(*view, QStringLiteral("fontSmaller"), tr("Мельче"),
                {QKeySequence(Qt::CTRL | Qt::Key_Minus)}),
        &QAction::triggered, this, [this] { chooseFontSize(fontSize() - 1); });
    connect(addItem(*view, QStringLiteral("fontDefault"), tr("Обычный размер"),
                {QKeySequence(Qt::CTRL | Qt::Key_0)}),
        &QAction::triggered, this, [this] { chooseFontSize(DefaultFontSize); });
}

int TerminalView::fontSize() const
{
    return m_pane.font().pixelSize();
}

void TerminalView::setFontSize(int pixels)
{
    QFont font = m_pane.font();
    font.setPixelSize(std::clamp(pixels, SmallestFontSize, LargestFontSize));
    m_pane.setFont(font);
}

void TerminalView::chooseFontSize(int pixels)
{
    setFontSize(pixels);
    if (fontSizeChosen)
        fontSizeChosen(fontSize());
}

void TerminalView::saveText()
{
    QString fileName = QDir::home().filePath(
        QStringLiteral("terminal-%1.txt")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
    const QString utf8Filter = tr("Текст в UTF-8 (*.txt)");
    const QString cp1251Filter = tr("Текст в Windows-1251, как от накопителя (*.txt)");
    QString filter = utf8Filter;
    if (!Dialogs::current().saveFile(
            &m_window, utf8Filter + QStringLiteral(";;") + cp1251Filter, fileName, filter))
        return;
    // The times go into the file when the pane shows them.
    const std::string text = terminalFileText(m_pane.lines(),
        filter == cp1251Filter ? TextEncoding::Cp1251 : TextEncoding::Utf8,
        m_pane.showsLineTimes());
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(text.data(), static_cast<qint64>(text.size()))
            != static_cast<qint64>(text.size())
        || !file.commit()) {
        m_errors.error(tr("Не удалось сохранить текст терминала в файл %1: %2")
                           .arg(QDir::toNativeSeparators(fileName), file.errorString())
                           .toStdString());
    }
}

} // namespace kelvane
