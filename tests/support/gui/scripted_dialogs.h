// ScriptedDialogs: the dialogs of a window test. Message boxes are recorded and closed at once;
// file dialogs answer from a script. Installed for its lifetime.
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

    bool saveFile(
        QWidget *parent, const QString &filters, QString &fileName, QString &filter) override;

    // The next file-open dialog picks `fileName`, or is cancelled when it is empty.
    void answerOpenFile(std::optional<QString> fileName);
    // The next file-save dialog picks `fileName` with the filter `filter` (its whole text), or
    // is cancelled when there is no name.
    void answerSaveFile(std::optional<QString> fileName, const QString &filter = {});
    // Runs while a message box is up (before it is closed), e.g. to look at the window.
    std::function<void(const QString &)> whileMessageShown;
    // Runs while a file-open dialog is up, before it gives its answer.
    std::function<void()> whileOpenFileShown;

    QStringList messages; // texts of the message boxes, in order
    QStringList errors; // texts of the error boxes, in order
    QStringList openFilters; // filters the file-open dialogs were shown with
    QStringList openFolders;
    QStringList openNames; // the file names the dialogs opened with
    QStringList saveFilters; // filters the file-save dialogs were shown with
    QStringList saveNames; // the file names they opened with

private:
    std::deque<std::optional<QString>> m_openAnswers;
    std::deque<std::pair<std::optional<QString>, QString>> m_saveAnswers;
};

} // namespace kelvane
