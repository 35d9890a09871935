// Dialogs: the one way the program shows message boxes and asks for a file. Tests install their
// own Dialogs to read what was shown and to script the user's answers; the program uses the Qt
// standard dialogs. Main thread only.
#pragma once

#include <QString>

class QWidget;

namespace kelvane {

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A modal message box with one OK button; returns when the user has closed it.
    virtual void message(QWidget *parent, const QString &text) = 0;
    // The same for an error that escaped a handler.
    virtual void error(QWidget *parent, const QString &text) = 0;
    // A modal file-open dialog. Returns false when the user cancelled; `fileName` is the chosen
    // file then, and is the name shown when the dialog opens.
    virtual bool openFile(
        QWidget *parent, const QString &filter, const QString &folder, QString &fileName)
        = 0;
    // A modal file-save dialog offering `filters` (separated by ";;"). Returns false when the
    // user cancelled; `fileName` is the chosen file then and `filter` the chosen filter, and both
    // are what the dialog opens with.
    virtual bool saveFile(
        QWidget *parent, const QString &filters, QString &fileName, QString &filter)
        = 0;

    // The dialogs in use; the Qt ones unless replaced.
    static Dialogs &current();
    // Replaces the dialogs in use (null restores the Qt ones). The caller keeps ownership.
    static void install(Dialogs *dialogs);
};

} // namespace kelvane
