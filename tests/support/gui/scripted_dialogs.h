// ScriptedDialogs: the dialogs of a window test. Message boxes are recorded and closed at once;
// file-open dialogs answer from a script. Installed for its lifetime.
#pragma once

#include "framework/dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

namespace kelvane {

class ScriptedDialogs : public Dialogs
{
public:
    ScriptedDialogs() { install(this); }
    ~ScriptedDialogs() override { install(nullptr); }

    void message(QWidget *parent, const QString &text) override;
    void error(QWidget *parent, const QString &text) override;
    bool openFile(
        QWidget *parent, const QString &filter, const QString &folder, QString &fileName) override;

    // The next file-open dialog picks `fileName`, or is cancelled when it is empty.
    void answerOpenFile(std::optional<QString> fileName);
    // Runs while a message box is up (before it is closed), e.g. to look at the window.
    std::function<void(const QString &)> whileMessageShown;
    // Runs while a file-open dialog is up, before it gives its answer.
    std::function<void()> whileOpenFileShown;

    QStringList messages; // texts of the message boxes, in order
    QStringList errors; // texts of the error boxes, in order
    QStringList openFilters; // filters the file-open dialogs were shown with
    QStringList openFolders;
    QStringList openNames; // the file names the dialogs opened with

private:
    std::deque<std::optional<QString>> m_openAnswers;
};

} // namespace kelvane
