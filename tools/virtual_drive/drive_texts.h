// What kelvane-virtual-drive prints for a person, its usage, messages, errors and log, in both
// languages. What it answers on the port is the drive's own English and is not here: the bytes
// on the wire never change with the language.
#pragma once

#include "base/texts.h"

namespace kelvane::DriveText {

inline constexpr Text Usage = {R"(Использование: kelvane-virtual-drive [ключи]
Виртуальный накопитель: монитор диагностического порта на псевдотерминале.

  --name ИМЯ           имя порта в папке виртуальных портов (по умолчанию virtual-drive)
  --ports-folder ПАПКА папка виртуальных портов (по умолчанию %1)
  --log ФАЙЛ           писать журнал принятого в файл (по умолчанию в stderr)
  --inventory          показать список портов, как его видит программа, и выйти
  --help               эта справка
  --version            версия
)",
    R"(Usage: kelvane-virtual-drive [options]
Virtual drive: a drive's diagnostic port monitor played on a pseudo-terminal.

  --name NAME          the port's name in the virtual ports folder (default: virtual-drive)
  --ports-folder DIR   the virtual ports folder (default: %1)
  --log FILE           write the log of what is received to FILE (default: stderr)
  --inventory          list the ports as the program sees them, and exit
  --help               this help
  --version            the version
)"};
inline constexpr Text UnknownOption
    = {"неизвестный ключ или нет значения: %1", "unknown option or missing value: %1"};
inline constexpr Text Ready = {"Виртуальный накопитель готов: порт %1 (%2). Остановка: Ctrl+C.",
    "Virtual drive ready: port %1 (%2). Ctrl+C stops it."};
inline constexpr Text LogNotOpened = {"не удалось открыть журнал %1", "cannot open the log %1"};

// Setting up the pseudo-terminal and its link in the virtual ports folder.
inline constexpr Text PtyNotCreated
    = {"не удалось создать псевдотерминал: %1", "cannot create a pseudo-terminal: %1"};
inline constexpr Text PtyNotPrepared
    = {"не удалось подготовить псевдотерминал: %1", "cannot set up the pseudo-terminal: %1"};
inline constexpr Text PtyNotOpened = {"не удалось открыть %1: %2", "cannot open %1: %2"};
inline constexpr Text PtyNotConfigured = {"не удалось настроить %1: %2", "cannot configure %1: %2"};
inline constexpr Text BadPortName = {"недопустимое имя порта \"%1\"", "invalid port name \"%1\""};
inline constexpr Text FolderNotPrivate
    = {"папка виртуальных портов %1 недоступна или не личная: она должна быть папкой, принадлежать "
       "вам и иметь права 0700",
        "the virtual ports folder %1 is not accessible or not private: it must be a folder, owned "
        "by you, with permissions 0700"};
inline constexpr Text LinkNotCreated = {"не удалось создать %1: %2", "cannot create %1: %2"};
inline constexpr Text NotALink = {"%1 уже существует и не является ссылкой на порт",
    "%1 already exists and is not a link to a port"};
inline constexpr Text PortTaken
    = {"порт %1 уже занят (ведёт на %2); выберите другое имя ключом --name или удалите ссылку, "
       "если её владелец не запущен",
        "port %1 is already taken (it leads to %2); choose another name with --name, or remove "
        "the link if its owner is not running"};

// Serving the port.
inline constexpr Text NotWatched
    = {"не удалось следить за портом: %1", "cannot watch the port: %1"};
inline constexpr Text PollFailed = {"ошибка poll: %1", "poll failed: %1"};
inline constexpr Text Stopped = {"остановлен сигналом %1", "stopped by signal %1"};
inline constexpr Text HostOpened = {"программа открыла порт", "the program opened the port"};
inline constexpr Text HostClosed = {"программа закрыла порт", "the program closed the port"};
inline constexpr Text AnswerDropped = {"программа не читает порт: ответ из %1 байт отброшен",
    "the program does not read the port: an answer of %1 bytes dropped"};

// The log of what was received. Quoted bytes and the drive's own English verdicts are filled in
// as they are.
inline constexpr Text Received = {"принято %1, конец: %2", "received %1, end: %2"};
inline constexpr Text EndPause = {"пауза", "pause"};
inline constexpr Text EndLevelLine = {"начало строки уровня", "start of a level line"};
inline constexpr Text EndComplete = {"команда полная", "command complete"};
inline constexpr Text EndCr = {"CR", "CR"};
inline constexpr Text EndLf = {"LF", "LF"};
inline constexpr Text NoLevelPause
    = {"принято \"/\" без уровня, конец: пауза", "received \"/\" without a level, end: pause"};
inline constexpr Text NoLevelSlash = {"принято \"/\" без уровня", "received \"/\" without a level"};
inline constexpr Text NoLevel = {"принято %1: нет уровня", "received %1: no level"};
inline constexpr Text NoSuchLevel = {"принято %1: нет такого уровня", "received %1: no such level"};
inline constexpr Text Level = {"принято %1: уровень %2", "received %1: level %2"};
inline constexpr Text TooLong
    = {"принято %1…: слишком длинная команда", "received %1…: command too long"};
inline constexpr Text UploadStart
    = {"принято %1: начало загрузки (%2)", "received %1: upload starts (%2)"};
inline constexpr Text UploadHeader = {"загрузка: заголовок %1", "upload: header %1"};
inline constexpr Text UploadData
    = {"загрузка: данные %1 байт, CRC-32 %2", "upload: data %1 bytes, CRC-32 %2"};
inline constexpr Text UploadClosing = {"загрузка: завершение %1", "upload: closing %1"};
inline constexpr Text UploadError = {"загрузка: ошибка: %1", "upload: error: %1"};
inline constexpr Text UploadVerdict = {"загрузка: %1", "upload: %1"};

} // namespace kelvane::DriveText
