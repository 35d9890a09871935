// SessionJournal: the session journal as the running program keeps it. It owns the Journal,
// writes it into $XDG_STATE_HOME/kelvane/journal (~/.local/state/kelvane/journal by default),
// writes a line left without its LF once a quarter second has passed, and opens the journal
// folder in the desktop's file manager. The windows tell it what happens through log(). Main
// thread only.
#pragma once

#include "journal/journal.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace kelvane {

class SessionJournal : public QObject
{
    Q_OBJECT
public:
    // The folder the desktop opens; the standard one unless replaced (tests look instead).
    using FolderOpener = std::function<bool(const QUrl &folder)>;

    explicit SessionJournal(QObject *parent = nullptr);
    ~SessionJournal() override;

    // journalFolder(): $XDG_STATE_HOME/kelvane/journal or ~/.local/state/kelvane/journal, the
    // local application data's Kelvane\journal on Windows.
    static QString defaultFolder();
    QString folder() const { return m_folder; }

    SessionLog &log() { return m_journal; }
    // The file of the session under way; empty when none.
    QString currentFile() const;
    void setEnabled(bool enabled) { m_journal.setEnabled(enabled); }

    // Opens the journal folder, made first if need be; false when the desktop could not.
    bool openFolder();
    void setFolderOpener(FolderOpener opener) { m_openFolder = std::move(opener); }

signals:
    // The journal stopped writing, and why; the session goes on without it.
    void failed(const QString &why);

private:
    QString m_folder;
    QTimer m_quiet;
    FolderOpener m_openFolder;
    Journal m_journal;
};

// What the user did to `source`, the sender of a handler's signal, in words for the journal: a
// menu item as its menu path, a button or check box by its caption, a box by its name and text.
// Empty for a source the journal need not name (the input line: its bytes say it all).
QString describeAction(const QObject *source);

} // namespace kelvane
