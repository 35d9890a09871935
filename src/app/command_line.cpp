#include "app/command_line.h"

#include "procedures/rate_table.h"

#include <algorithm>
#include <array>
#include <optional>

namespace kelvane {

namespace {

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
    auto wrong = [&line](std::string error) {
        line.action = CommandLine::Action::Wrong;
        line.error = std::move(error);
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
        const bool takesValue
            = option == "--port" || option == "--rate" || contains(QtOptionsWithValue, option);
        if (takesValue && !value) {
            if (i + 1 == arguments.size())
                return wrong("ключу " + option + " нужно значение");
            value = arguments[++i];
        } else if (!takesValue && value) {
            return wrong("ключ " + option + " не принимает значения");
        }
        if (!option.starts_with("-")) {
            return wrong("лишний аргумент " + option);
        } else if (option == "--help" || option == "-h") {
            help = true;
        } else if (option == "--version") {
            version = true;
        } else if (option == "--connect") {
            line.start.connect = true;
        } else if (option == "--port") {
            if (value->empty())
                return wrong("ключу --port нужно имя порта");
            line.start.port = *value;
        } else if (option == "--rate") {
            if (!findRateEntry(*value))
                return wrong("скорость " + *value + " не из списка: " + rateList());
            line.start.rate = *value;
        } else if (!takesValue && !contains(QtFlags, option)) {
            return wrong("неизвестный ключ " + option);
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
    return "Использование: kelvane [--port ПОРТ] [--rate СКОРОСТЬ] [--connect]\n"
           "Сервисный терминал для жёстких дисков с диагностическим последовательным портом.\n"
           "\n"
           "  --port ПОРТ       выбрать порт: путь (/dev/ttyUSB0) или последняя часть имени\n"
           "                    (ttyUSB0, virtual-drive)\n"
           "  --rate СКОРОСТЬ   выбрать скорость: "
        + rateList()
        + "\n"
          "  --connect         соединиться при запуске, как кнопкой \"Соеденить\"\n"
          "  -h, --help        эта справка\n"
          "  --version         версия программы\n"
          "\n"
          "До соединения программа ничего не пишет в порт. Подробнее: man kelvane.\n";
}

std::string versionText()
{
    return "kelvane " KELVANE_VERSION "\n";
}

} // namespace kelvane
