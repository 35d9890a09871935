// EComPort, the serial port's only error type, and its fixed messages. The texts are the same on
// every platform, Windows function names included, because users and support know them by heart.
// The messages are Russian; comMessageIn() gives their English for an English interface.
#pragma once

#include "base/language.h"

#include <stdexcept>
#include <string>

namespace kelvane {

class EComPort : public std::runtime_error
{
public:
    explicit EComPort(const std::string &message) : std::runtime_error(message) { }
};

namespace ComMessage {
inline constexpr const char *NoSuchPort = "Попытка открыть несуществующий COM-порт";
inline constexpr const char *PortBusy = "Порт занят другой программой";
inline constexpr const char *WriteFailed = "Ошибка записи в порт";
inline constexpr const char *ReadFailed = "Ошибка чтения из порта";
inline constexpr const char *PurgeComm = "Ошибка функции PurgeComm";
inline constexpr const char *SetCommState = "Ошибка функции SetCommState";
inline constexpr const char *SetCommTimeouts = "Ошибка функции SetCommTimeouts";
inline constexpr const char *SetupComm = "Ошибка функции SetupComm";
inline constexpr const char *ClearCommError = "Ошибка функции ClearCommError";
inline constexpr const char *GetCommModemStatus = "Ошибка функции GetCommModemStatus";
inline constexpr const char *EscapeCommFunction = "Ошибка функции EscapeCommFunction";
inline constexpr const char *PropertyWhileOpen = "Нельзя менять свойство, пока порт открыт";
inline constexpr const char *PortList = "Ошибка обращения к системному реестру";

// The device exists but this user may not open it: which port, the group that grants access
// (empty when unknown), and what to do about it.
std::string noPermission(const std::string &port, const std::string &group);

} // namespace ComMessage

// An EComPort's message as a person reading `language` is shown it: in Russian the message
// itself; in English its translation. A text that is none of the port's messages is returned
// as it is.
std::string comMessageIn(Language language, const std::string &message);

} // namespace kelvane
