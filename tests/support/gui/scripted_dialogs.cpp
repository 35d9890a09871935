#include "support/gui/scripted_dialogs.h"

namespace kelvane {

void ScriptedDialogs::Message(QWidget *, const QString &text)
{
    messages << text;
    if (WhileMessageShown)
        WhileMessageShown(text);
}

void ScriptedDialogs::Error(QWidget *, const QString &text)
{
    errors << text;
    if (WhileMessageShown)
        WhileMessageShown(text);
}

bool ScriptedDialogs::OpenFile(
    QWidget *, const QString &filter, const QString &folder, QString &fileName)
{
    openFilters << filter;
    openFolders << folder;
    openNames << fileName;
    if (WhileOpenFileShown)
        WhileOpenFileShown();
    if (openAnswers_.empty())
        return false;
    const std::optional<QString> answer = openAnswers_.front();
    openAnswers_.pop_front();
    if (!answer || answer->isEmpty())
        return false;
    fileName = *answer;
    return true;
}

void ScriptedDialogs::AnswerOpenFile(std::optional<QString> fileName)
{
    openAnswers_.push_back(std::move(fileName));
}

} // namespace kelvane
