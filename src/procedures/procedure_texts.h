// What the procedures say to a person, in both languages: the faults of a procedure file, the
// notes and outcomes of a run, the transcript's lines and the upload's error, in the language set
// at start (setTextLanguage()). Steps, patterns, file names and what the drive sent are filled in
// as they are.
#pragma once

#include "base/texts.h"

#include <string>
#include <string_view>

namespace kelvane::ProcedureText {

// A text quoted as the language quotes it.
inline constexpr Text Quoted = {"«%1»", "\"%1\""};
inline std::string inQuotes(std::string_view text)
{
    return localText(Quoted, {text});
}

// The faults of a procedure file, with the line they are on.
inline constexpr Text AtLine = {"строка %1: %2", "line %1: %2"};
inline constexpr Text NotUtf8 = {"файл не в кодировке UTF-8", "the file is not in UTF-8"};
inline constexpr Text NoSteps = {"в файле нет ни одного шага", "the file has no step"};
inline constexpr Text NotOpened
    = {"не удаётся открыть файл процедуры %1", "cannot open the procedure file %1"};
inline constexpr Text UnknownStep
    = {"неизвестный шаг %1; шаги: send, send-raw, level, rate, expect, fail-on, wait, upload",
        "unknown step %1; the steps are: send, send-raw, level, rate, expect, fail-on, wait, "
        "upload"};
inline constexpr Text NoRawText = {"у send-raw нет текста", "send-raw has no text"};
inline constexpr Text NotCp1251 = {"в тексте есть знаки, которых нет в кодировке Windows-1251",
    "the text has characters that Windows-1251 does not have"};
inline constexpr Text BadLevel = {"уровень — одна латинская буква или цифра, а не %1",
    "a level is one Latin letter or digit, not %1"};
inline constexpr Text BadRate = {"скорость %1 не из списка: %2", "rate %1 is not one of: %2"};
inline constexpr Text BadExpectTime
    = {"время ожидания — число секунд больше 0 и не больше 86400, а не %1",
        "the time to wait is a number of seconds above 0 and at most 86400, not %1"};
inline constexpr Text BadWaitTime = {"время — число секунд больше 0 и не больше 86400, а не %1",
    "the time is a number of seconds above 0 and at most 86400, not %1"};
inline constexpr Text BadUpload = {"загрузка пишется как upload overlay ФАЙЛ или upload cert ФАЙЛ",
    "an upload is written upload overlay FILE or upload cert FILE"};
inline constexpr Text FileNameNotCp1251
    = {"в имени файла есть знаки, которых нет в кодировке Windows-1251",
        "the file's name has characters that Windows-1251 does not have"};
inline constexpr Text FileNotFound
    = {"файл %1 не найден или не читается", "the file %1 is not there or cannot be read"};
inline constexpr Text NoPattern = {"нет регулярного выражения", "no regular expression"};

// The faults of a pattern.
inline constexpr Text PatternTooLong
    = {"регулярное выражение длиннее %1 байт", "the regular expression is longer than %1 bytes"};
inline constexpr Text PatternTooDeep = {"в регулярном выражении больше %1 вложенных скобок",
    "the regular expression nests more than %1 parentheses"};
inline constexpr Text PatternFault = {"ошибка в регулярном выражении %1, знак %2: %3",
    "error in the regular expression %1, character %2: %3"};
inline constexpr Text PatternUnsupported
    = {"регулярное выражение %1 не поддерживается", "the regular expression %1 is not supported"};

// A run's notes and outcomes.
inline constexpr Text Matched = {"совпало: %1", "matched: %1"};
inline constexpr Text Stopped = {"остановлена", "stopped"};
inline constexpr Text NoAnswer = {"нет ответа %1 за %2 с", "no answer %1 within %2 s"};
inline constexpr Text TooComplex = {"регулярное выражение %1 слишком сложно для полученного текста",
    "the regular expression %1 is too complex for the text received"};
inline constexpr Text FailOnTooComplex
    = {"регулярное выражение fail-on строки %1 %2 слишком сложно для полученного текста",
        "the regular expression of the fail-on of line %1, %2, is too complex for the text "
        "received"};
inline constexpr Text Forbidden = {"получено %1, что запрещает fail-on строки %2 %3",
    "received %1, which the fail-on of line %2, %3, forbids"};

// The transcript.
inline constexpr Text Step = {"шаг %1 из %2, строка %3: %4", "step %1 of %2, line %3: %4"};
inline constexpr Text Passed = {"процедура выполнена: шагов %1", "procedure completed: %1 steps"};
inline constexpr Text Failed = {"ОШИБКА, строка %1: %2", "ERROR, line %1: %2"};
inline constexpr Text Interrupted
    = {"процедура прервана на строке %1", "procedure interrupted at line %1"};

// The upload.
inline constexpr Text NoTxEmpty
    = {"Порт не сообщил об окончании передачи за %1 с: загрузка прервана",
        "The port did not report the end of the transfer within %1 s: upload interrupted"};

} // namespace kelvane::ProcedureText
