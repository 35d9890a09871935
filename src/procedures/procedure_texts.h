// What the procedures say to a person, in both languages: the transcript's lines and the
// upload's error, in the language set at start (setTextLanguage()). Steps, patterns, file names
// and what the drive sent are filled in as they are.
#pragma once

#include "base/texts.h"

namespace kelvane::ProcedureText {

// The transcript.
inline constexpr Text Step = {"шаг %1 из %2, строка %3: %4", "step %1 of %2, line %3: %4"};
inline constexpr Text Passed = {"процедура выполнена: шагов %1", "procedure completed: %1 steps"};
inline constexpr Text Failed = {"ОШИБКА, строка %1: %2", "ERROR, line %1: %2"};
inline constexpr Text Stopped
    = {"процедура прервана на строке %1", "procedure interrupted at line %1"};

// The upload.
inline constexpr Text NoTxEmpty
    = {"Порт не сообщил об окончании передачи за %1 с: загрузка прервана",
        "The port did not report the end of the transfer within %1 s: upload interrupted"};

} // namespace kelvane::ProcedureText
