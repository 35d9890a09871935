// What kelvane-batch prints for a person, its usage and errors, in both languages. The
// procedure's own lines (steps, answers, outcome) are the procedures' texts; what the drive sent
// is printed as it is.
#pragma once

#include "base/texts.h"

namespace kelvane::BatchText {

inline constexpr Text Usage
    = {R"(Использование: kelvane-batch --port ПОРТ [--rate СКОРОСТЬ] [--report ФАЙЛ] ПРОЦЕДУРА
Выполняет процедуру (файл шагов send, send-raw, level, rate, expect, fail-on, wait, upload)
на накопителе, подключённом к порту, и выводит каждый шаг и ответы накопителя со временем.

  --port ПОРТ        порт, например %1
  --rate СКОРОСТЬ    скорость порта: 4800 9600 14400 19200 38400 56000 57600 115200
                     (по умолчанию 57600)
  --report ФАЙЛ      записать то же самое в файл отчёта
  --help             эта справка
  --version          версия программы

Код выхода: 0 все шаги выполнены, 1 шаг не выполнен (нет ответа, сработал fail-on или
выражение слишком сложно для текста), 2 ошибка в ключах, в файле или порта,
130 прервано (Ctrl+C), 143 остановлено сигналом SIGTERM.
)",
        R"(Usage: kelvane-batch --port PORT [--rate RATE] [--report FILE] PROCEDURE
Runs a procedure (a file of the steps send, send-raw, level, rate, expect, fail-on, wait,
upload) on the drive on the port, and prints each step and the drive's answers with the time.

  --port PORT        the port, for example %1
  --rate RATE        the port's rate: 4800 9600 14400 19200 38400 56000 57600 115200
                     (default 57600)
  --report FILE      write the same to a report file
  --help             this help
  --version          the program's version

Exit status: 0 every step passed, 1 a step failed (no answer, a fail-on matched or a
pattern too complex for the text), 2 an error in the options, the file or the port,
130 interrupted (Ctrl+C), 143 stopped by SIGTERM.
)"};
inline constexpr Text WrongArgument = {"неизвестный ключ, лишний аргумент или нет значения: %1",
    "unknown option, unexpected argument or missing value: %1"};
inline constexpr Text NeedsPortAndFile
    = {"нужны --port ПОРТ и файл процедуры", "--port PORT and a procedure file are needed"};
inline constexpr Text RateNotListed = {"скорость %1 не из списка", "rate %1 is not in the list"};
inline constexpr Text ReportNotWritten
    = {"не удаётся записать отчёт %1", "cannot write the report %1"};
inline constexpr Text PortLost
    = {"связь с портом %1 потеряна", "the connection to port %1 was lost"};

} // namespace kelvane::BatchText
