#include "app/command_line.h"

#include "base/texts.h"
#include "procedures/rate_table.h"

#include <algorithm>
#include <array>
#include <optional>

namespace kelvane {

namespace {

// What the command line prints, in both languages.
constexpr Text Usage = {R"(Использование: kelvane [--port ПОРТ] [--rate СКОРОСТЬ] [--connect]
Сервисный терминал для жёстких дисков с диагностическим последовательным портом.

  --port ПОРТ       выбрать порт: %2
  --rate СКОРОСТЬ   выбрать скорость: %1
  --connect         соединиться при запуске, как кнопкой "Соеденить"
  --lang ЯЗЫК       язык окон: ru или en (по умолчанию как в системе)
  -h, --help        эта справка
  --version         версия программы

До соединения программа ничего не пишет в порт. Подробнее: %3.
)",
    R"(Usage: kelvane [--port PORT] [--rate RATE] [--connect]
Service terminal for hard disk drives with a diagnostic serial port.

  --port PORT       choose the port: %2
  --rate RATE       choose the rate: %1
  --connect         connect at start, as the Connect button does
  --lang LANGUAGE   the windows' language: ru or en (default: as the system's)
  -h, --help        this help
  --version         the program's version

The program writes nothing to the port until it connects. More: %3.
)"};
// How a port is named: as the system names it; and where more is said.
#ifdef _WIN32
constexpr Text PortNamed = {"его имя в Windows (COM3)", "its name in Windows (COM3)"};
constexpr std::string_view More = "README.txt";
#else
constexpr std::string_view More = "man kelvane";
constexpr Text PortNamed = {R"(путь (/dev/ttyUSB0) или последняя часть имени
                    (ttyUSB0, virtual-drive))",
    R"(a path (/dev/ttyUSB0) or the last part of its name
                    (ttyUSB0, virtual-drive))"};
#endif
constexpr Text NeedsValue = {"ключу %1 нужно значение", "option %1 needs a value"};
constexpr Text TakesNoValue = {"ключ %1 не принимает значения", "option %1 takes no value"};
constexpr Text ExtraArgument = {"лишний аргумент %1", "unexpected argument %1"};
constexpr Text NeedsPort = {"ключу --port нужно имя порта", "option --port needs a port name"};
constexpr Text RateNotListed = {"скорость %1 не из списка: %2", "rate %1 is not one of: %2"};
constexpr Text LanguageNotListed
    = {"язык %1 не из списка: ru, en", "language %1 is not one of: ru, en"};
constexpr Text UnknownOption = {"неизвестный ключ %1", "unknown option %1"};

// Qt's own options that the application object takes out of the command line itself.
constexpr std::array<std::string_view, 12> QtOptionsWithValue = {"-platform", "-platformpluginpath",
    "-platformtheme", "-plugin", "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-display",
    "-geometry", "-style", "-stylesheet", "-session"};
constexpr std::array<std::string_view, 4> QtFlags = {"-reverse", "-nograb", "-dograb", "-sync"};

template<size_t N> bool contains(const std::array<std::string_view, N> &list, std::string_view item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

std::string rateList()
{
    std::string list;
    for (const RateEntry &entry : RateEntries)
        list += (list.empty() ? "" : ", ") + std::string(entry.text);
    return list;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string> &arguments)
{
    CommandLine line;
    auto wrong = [&line](const Text &error, std::initializer_list<std::string_view> filled) {
        line.action = CommandLine::Action::Wrong;
        line.error = localText(error, filled);
        return line;
    };
    bool help = false;
    bool version = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> value;
        if (const size_t equals = option.find('=');
            option.starts_with("-") && equals != option.npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        const bool takesValue = option == "--port" || option == "--rate" || option == "--lang"
            || contains(QtOptionsWithValue, option);
        if (takesValue && !value) {
            if (i + 1 == arguments.size())
                return wrong(NeedsValue, {option});
            value = arguments[++i];
        } else if (!takesValue && value) {
            return wrong(TakesNoValue, {option});
        }
        if (!option.starts_with("-")) {
            return wrong(ExtraArgument, {option});
        } else if (option == "--help" || option == "-h") {
            help = true;
        } else if (option == "--version") {
            version = true;
        } else if (option == "--connect") {
            line.start.connect = true;
        } else if (option == "--port") {
            if (value->empty())
                return wrong(NeedsPort, {});
            line.start.port = *value;
        } else if (option == "--rate") {
            if (!findRateEntry(*value))
                return wrong(RateNotListed, {*value, rateList()});
            line.start.rate = *value;
        } else if (option == "--lang") {
            line.start.language = languageFromCode(*value);
            if (!line.start.language)
                return wrong(LanguageNotListed, {*value});
        } else if (!takesValue && !contains(QtFlags, option)) {
            return wrong(UnknownOption, {option});
        }
    }
    if (help)
        line.action = CommandLine::Action::Help;
    else if (version)
        line.action = CommandLine::Action::Version;
    return line;
}

std::string usageText()
{
    return localText(Usage, {rateList(), PortNamed.in(textLanguage()), More});
}

std::string versionText()
{
    return "kelvane " KELVANE_VERSION "\n";
}

} // namespace kelvane
