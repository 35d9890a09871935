#include "support/gui/shown_texts.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QWidget>

namespace kelvane {

namespace {

class Collector
{
public:
    QList<ShownText> texts;

    void add(const QObject &object, const char *what, const QString &text)
    {
        if (!text.isEmpty())
            texts.append({object.objectName() + QLatin1Char(' ') + QLatin1String(what), text});
    }

    void widget(const QWidget &widget, bool data)
    {
        if (widget.isWindow())
            add(widget, "title", widget.windowTitle());
        add(widget, "tool tip", widget.toolTip());
        add(widget, "status tip", widget.statusTip());
        add(widget, "what's this", widget.whatsThis());
        add(widget, "accessible name", widget.accessibleName());
        add(widget, "accessible description", widget.accessibleDescription());
        if (const auto *menu = qobject_cast<const QMenu *>(&widget))
            add(widget, "menu title", menu->title());
        if (const auto *box = qobject_cast<const QGroupBox *>(&widget))
            add(widget, "group title", box->title());
        if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(&widget))
            add(widget, "special value", spin->specialValueText());
        if (const auto *spin = qobject_cast<const QSpinBox *>(&widget)) {
            add(widget, "prefix", spin->prefix());
            add(widget, "suffix", spin->suffix());
        }
        if (const auto *line = qobject_cast<const QLineEdit *>(&widget))
            add(widget, "placeholder", line->placeholderText());
        if (const auto *view = qobject_cast<const QAbstractItemView *>(&widget);
            view && view->model()) {
            for (int column = 0; column < view->model()->columnCount(); ++column)
                add(widget, "column header",
                    view->model()->headerData(column, Qt::Horizontal).toString());
        }
        if (data)
            return;
        if (const auto *label = qobject_cast<const QLabel *>(&widget))
            add(widget, "text", label->text());
        if (const auto *button = qobject_cast<const QAbstractButton *>(&widget))
            add(widget, "text", button->text());
        if (const auto *box = qobject_cast<const QComboBox *>(&widget))
            for (int i = 0; i < box->count(); ++i)
                add(widget, "item", box->itemText(i));
        if (const auto *edit = qobject_cast<const QPlainTextEdit *>(&widget))
            add(widget, "text", edit->toPlainText());
    }

    void action(const QAction &action)
    {
        add(action, "text", action.text());
        add(action, "tool tip", action.toolTip());
        add(action, "status tip", action.statusTip());
        add(action, "what's this", action.whatsThis());
    }
};

} // namespace

QList<ShownText> shownTexts(
    const QWidget &window, const std::function<bool(const QWidget &)> &isData)
{
    Collector collector;
    const auto data = [&isData](const QWidget &widget) { return isData && isData(widget); };
    collector.widget(window, data(window));
    for (const QWidget *widget : window.findChildren<QWidget *>())
        collector.widget(*widget, data(*widget));
    for (const QAction *action : window.findChildren<QAction *>())
        collector.action(*action);
    return collector.texts;
}

bool hasCyrillic(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF)
            return true;
    return false;
}

QString cyrillicTexts(const QList<ShownText> &texts)
{
    QString found;
    for (const ShownText &text : texts)
        if (hasCyrillic(text.text))
            found += text.where + QStringLiteral(": ") + text.text + QLatin1Char('\n');
    return found;
}

} // namespace kelvane
