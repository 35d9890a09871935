#include "support/gui/scripted_dialogs.h"

namespace kelvane {

void ScriptedDialogs::message(QWidget *, const QString &text)
{
    messages << text;
    if (whileMessageShown)
        whileMessageShown(text);
}

void ScriptedDialogs::error(QWidget *, const QString &text)
{
    errors << text;
    if (whileMessageShown)
        whileMessageShown(text);
}

bool ScriptedDialogs::openFile(
    QWidget *, const QString &filter, const QString &folder, QString &fileName)
{
    openFilters << filter;
    openFolders << folder;
    openNames << fileName;
    if (whileOpenFileShown)
        whileOpenFileShown();
    if (m_openAnswers.empty())
        return false;
    const std::optional<QString> answer = m_openAnswers.front();
    m_openAnswers.pop_front();
    if (!answer || answer->isEmpty())
        return false;
    fileName = *answer;
    return true;
}

void ScriptedDialogs::answerOpenFile(std::optional<QString> fileName)
{
    m_openAnswers.push_back(std::move(fileName));
}

bool ScriptedDialogs::saveFile(
    QWidget *, const QString &filters, QString &fileName, QString &filter)
{
    saveFilters << filters;
    saveNames << fileName;
    if (m_saveAnswers.empty())
        return false;
    const auto [answer, chosenFilter] = m_saveAnswers.front();
    m_saveAnswers.pop_front();
    if (!answer || answer->isEmpty())
        return false;
    fileName = *answer;
    filter = chosenFilter;
    return true;
}

void ScriptedDialogs::answerSaveFile(std::optional<QString> fileName, const QString &filter)
{
    m_saveAnswers.emplace_back(std::move(fileName), filter);
}

} // namespace kelvane
