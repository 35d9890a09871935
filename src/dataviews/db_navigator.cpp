#include "dataviews/db_navigator.h"

#include "framework/guarded.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace kelvane {

namespace {

struct ButtonLook
{
    const char *name;
    const char *glyph;
    const char *hint;
};

const ButtonLook Looks[] = {
    {"nbInsert", "+", QT_TRANSLATE_NOOP("kelvane::TDBNavigator", "Вставить запись")},
    {"nbDelete", "\u2212", QT_TRANSLATE_NOOP("kelvane::TDBNavigator", "Удалить запись")},
    {"nbEdit", "\u25B2", QT_TRANSLATE_NOOP("kelvane::TDBNavigator", "Изменить запись")},
    {"nbPost", "\u2713", QT_TRANSLATE_NOOP("kelvane::TDBNavigator", "Сохранить изменения")},
    {"nbCancel", "\u2715", QT_TRANSLATE_NOOP("kelvane::TDBNavigator", "Отменить изменения")},
};

} // namespace

TDBNavigator::TDBNavigator(QWidget *parent) : QWidget(parent)
{
    m_link.onActiveChanged = [this] { updateButtons(); };
    m_link.onEditingChanged = [this] { updateButtons(); };
    m_link.onDataSetChanged = [this] { updateButtons(); };
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < int(m_buttons.size()); ++i) {
        const ButtonLook &look = Looks[i];
        auto *button = new QToolButton(this);
        button->setObjectName(QLatin1String(look.name));
        button->setText(QString::fromUtf8(look.glyph));
        button->setToolTip(tr(look.hint));
        button->setAccessibleName(tr(look.hint));
        button->setMinimumSize(25, 25);
        layout->addWidget(button);
        m_buttons[size_t(i)] = button;
        const auto which = static_cast<TNavigateBtn>(i);
        connect(button, &QToolButton::clicked, this,
            [this, which] { runGuarded(m_link.errorSink(), [this, which] { BtnClick(which); }); });
    }
    layout->addStretch();
    updateButtons();
}

TDBNavigator::~TDBNavigator() = default;

TDataSource *TDBNavigator::DataSource() const
{
    return m_link.DataSource();
}

void TDBNavigator::SetDataSource(TDataSource *source)
{
    m_link.SetDataSource(source);
}

void TDBNavigator::BtnClick(TNavigateBtn button)
{
    TDataSet *dataSet = m_link.Active() ? m_link.DataSet() : nullptr;
    if (!dataSet)
        return;
    switch (button) {
    case nbInsert:
        dataSet->Insert();
        break;
    case nbDelete:
        dataSet->Delete();
        break;
    case nbEdit:
        dataSet->Edit();
        break;
    case nbPost:
        dataSet->Post();
        break;
    case nbCancel:
        dataSet->Cancel();
        break;
    }
}

void TDBNavigator::updateButtons()
{
    TDataSet *dataSet = m_link.Active() ? m_link.DataSet() : nullptr;
    const bool canModify = dataSet && dataSet->CanModify();
    const bool editing = m_link.Editing();
    const bool hasRecord = dataSet && (!dataSet->IsEmpty() || editing);
    m_buttons[nbInsert]->setEnabled(canModify);
    m_buttons[nbDelete]->setEnabled(canModify && hasRecord);
    m_buttons[nbEdit]->setEnabled(canModify && !editing);
    m_buttons[nbPost]->setEnabled(canModify && editing);
    m_buttons[nbCancel]->setEnabled(canModify && editing);
}

} // namespace kelvane
