#include "serial/com_error.h"

#include "base/texts.h"

#include <array>
#include <optional>

namespace kelvane {

namespace {

// The fixed messages in English; the Windows function names stay, as support knows them.
constexpr std::array<Text, 13> FixedMessages = {{
    {ComMessage::NoSuchPort, "Attempt to open a COM port that does not exist"},
    {ComMessage::PortBusy, "The port is in use by another program"},
    {ComMessage::WriteFailed, "Error writing to the port"},
    {ComMessage::ReadFailed, "Error reading from the port"},
    {ComMessage::PurgeComm, "The PurgeComm function failed"},
    {ComMessage::SetCommState, "The SetCommState function failed"},
    {ComMessage::SetCommTimeouts, "The SetCommTimeouts function failed"},
    {ComMessage::SetupComm, "The SetupComm function failed"},
    {ComMessage::ClearCommError, "The ClearCommError function failed"},
    {ComMessage::GetCommModemStatus, "The GetCommModemStatus function failed"},
    {ComMessage::EscapeCommFunction, "The EscapeCommFunction function failed"},
    {ComMessage::PropertyWhileOpen, "A property cannot be changed while the port is open"},
    {ComMessage::PortList, "Error reading the system registry"},
}};

constexpr Text NoAccess
    = {"Нет прав на доступ к порту %1. ", "No permission to open the port %1. "};
constexpr Text AskAdministrator = {"Попросите администратора открыть вам доступ к этому устройству",
    "Ask the administrator to give you access to this device"};
constexpr Text JoinGroup
    = {"Устройство принадлежит группе %1: добавьте себя в эту группу командой sudo usermod -aG %1 "
       "$USER",
        "The device belongs to the group %1: add yourself to that group with the command sudo "
        "usermod -aG %1 $USER"};
constexpr Text LogInAgain
    = {", затем выйдите из системы и войдите в неё снова.", ", then log out and log in again."};

std::string noPermissionIn(Language language, const std::string &port, const std::string &group)
{
    std::string text = fillText(NoAccess.in(language), {port});
    // Joining root's group is no advice to give.
    if (group.empty() || group == "root")
        text += AskAdministrator.in(language);
    else
        text += fillText(JoinGroup.in(language), {group});
    return text + std::string(LogInAgain.in(language));
}

// The English of a noPermission() text: its port and group found, and checked by building the
// Russian again from them.
std::optional<std::string> noPermissionInEnglish(const std::string &message)
{
    constexpr std::string_view PortHead = "Нет прав на доступ к порту ";
    constexpr std::string_view GroupHead = ". Устройство принадлежит группе ";
    if (!message.starts_with(PortHead))
        return std::nullopt;
    const std::string_view rest = std::string_view(message).substr(PortHead.size());
    std::string port;
    std::string group;
    if (const size_t at = rest.rfind(GroupHead); at != rest.npos) {
        port = rest.substr(0, at);
        const std::string_view tail = rest.substr(at + GroupHead.size());
        group = tail.substr(0, tail.find(':'));
    } else {
        port = rest.substr(0, rest.rfind(". "));
    }
    if (noPermissionIn(Language::Russian, port, group) != message)
        return std::nullopt;
    return noPermissionIn(Language::English, port, group);
}

} // namespace

std::string ComMessage::noPermission(const std::string &port, const std::string &group)
{
    return noPermissionIn(Language::Russian, port, group);
}

std::string comMessageIn(Language language, const std::string &message)
{
    if (language == Language::Russian)
        return message;
    for (const Text &fixed : FixedMessages)
        if (message == fixed.russian)
            return std::string(fixed.english);
    return noPermissionInEnglish(message).value_or(message);
}

} // namespace kelvane
