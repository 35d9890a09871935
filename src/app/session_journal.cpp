#include "app/session_journal.h"

#include "app/user_folders.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>

namespace kelvane {

namespace {

// How long received bytes may wait for the end of their line before they are written.
constexpr int QuietMilliseconds = 250;

QString withoutMnemonic(QString text)
{
    return text.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QStringLiteral("\x01"), QStringLiteral("&"));
}

// The menu `action` is an item of. The menu bar's overflow popup, which has no title, holds
// menus' own actions too: it is not on their path.
const QMenu *menuHolding(const QAction *action)
{
    for (const QObject *holder : action->associatedObjects())
        if (const auto *menu = qobject_cast<const QMenu *>(holder);
            menu && !menu->title().isEmpty())
            return menu;
    return nullptr;
}

} // namespace

SessionJournal::SessionJournal(QObject *parent)
    : QObject(parent), m_folder(defaultFolder()),
      m_openFolder([](const QUrl &folder) { return QDesktopServices::openUrl(folder); }),
      m_journal(JournalOptions {
          .folder = m_folder.toStdString(),
          .fileLimit = JournalOptions {}.fileLimit,
          .clock = {},
          .linePending =
              [this] {
                  if (!m_quiet.isActive())
                      m_quiet.start();
              },
          .failed = [this](const std::string &why) { emit failed(QString::fromStdString(why)); },
      })
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(QuietMilliseconds);
    connect(&m_quiet, &QTimer::timeout, this, [this] { m_journal.flushReceived(); });
}

SessionJournal::~SessionJournal() = default;

QString SessionJournal::defaultFolder()
{
    return journalFolder();
}

QString SessionJournal::currentFile() const
{
    return QString::fromStdString(m_journal.path());
}

bool SessionJournal::openFolder()
{
    QDir().mkpath(m_folder);
    return m_openFolder(QUrl::fromLocalFile(m_folder));
}

QString describeAction(const QObject *source)
{
    if (const auto *action = qobject_cast<const QAction *>(source)) {
        QStringList path {withoutMnemonic(action->text())};
        for (const QMenu *menu = menuHolding(action); menu; menu = menuHolding(menu->menuAction()))
            path.prepend(withoutMnemonic(menu->title()));
        return QCoreApplication::translate("kelvane::SessionJournal", "Меню: %1")
            .arg(path.join(QStringLiteral(" › ")));
    }
    if (const auto *box = qobject_cast<const QCheckBox *>(source))
        return (box->isChecked()
                ? QCoreApplication::translate("kelvane::SessionJournal", "%1: вкл")
                : QCoreApplication::translate("kelvane::SessionJournal", "%1: выкл"))
            .arg(withoutMnemonic(box->text()));
    if (const auto *button = qobject_cast<const QAbstractButton *>(source))
        return QCoreApplication::translate("kelvane::SessionJournal", "Кнопка: %1")
            .arg(withoutMnemonic(button->text()));
    if (const auto *box = qobject_cast<const QComboBox *>(source))
        return box->accessibleName() + QStringLiteral(": ") + box->currentText();
    return {};
}

} // namespace kelvane
