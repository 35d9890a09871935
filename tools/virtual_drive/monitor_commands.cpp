#include "virtual_drive/monitor_commands.h"

#include "virtual_drive/byte_text.h"

#include <algorithm>
#include <array>
#include <optional>

namespace kelvane {

namespace {

using Lines = std::vector<std::string>;
using Handler = Lines (*)(MonitorState &state, std::string_view argument);

struct Command
{
    char level;
    std::string_view name;
    bool takesArgument; // the name is a prefix followed by an argument
    Handler run;
};

Lines said(std::string text)
{
    return {"virtual drive: " + std::move(text)};
}

std::optional<int> digitIn(std::string_view argument, int low, int high)
{
    if (argument.size() != 1 || argument[0] < '0' || argument[0] > '9')
        return std::nullopt;
    const int digit = argument[0] - '0';
    if (digit < low || digit > high)
        return std::nullopt;
    return digit;
}

Lines setRate(MonitorState &state, std::string_view argument)
{
    // The monitor reads the digits as hundreds of bits per second.
    static constexpr std::array<std::string_view, 8> Known
        = {"48", "96", "144", "192", "384", "576", "625", "1152"};
    if (std::find(Known.begin(), Known.end(), argument) == Known.end())
        return said("rate B" + printable(argument)
            + " not supported; rates: B48 B96 B144 B192 B384 B576 B625 B1152");
    state.rate = static_cast<uint32_t>(*parseDecimal(argument) * 100);
    return said("rate set to " + std::to_string(state.rate) + " bits/s");
}

Lines factoryTest(MonitorState &, std::string_view argument)
{
    if (argument.empty())
        return said("factory test number missing");
    return said("factory test \"" + printable(argument) + "\" started (simulated, nothing runs)");
}

Lines chooseDriveType(MonitorState &state, std::string_view argument)
{
    const std::optional<int> code = digitIn(argument, 0, 3);
    if (!code)
        return said("drive type YE" + printable(argument) + " unknown; YE0 to YE3");
    state.heads = *code + 1;
    return said("drive type: " + std::to_string(state.heads) + " head(s); W writes it");
}

Lines writeDriveType(MonitorState &state, std::string_view)
{
    return said("drive type with " + std::to_string(state.heads)
        + " head(s) written to the system area (simulated)");
}

Lines readSystemTrack(MonitorState &state, std::string_view)
{
    if (!state.spinning)
        return said("cannot read the system track: spindle stopped (/2 then U spins it up)");
    return said("system track read into RAM (simulated)");
}

Lines selfScan(MonitorState &, std::string_view)
{
    return said("self-scan started (simulated, nothing runs)");
}

Lines firmwareVersion(MonitorState &state, std::string_view)
{
    return {"virtual drive: firmware KVD-0.99, not a real drive",
        "virtual drive: " + std::to_string(state.heads) + " head(s), rate "
            + std::to_string(state.rate) + " bits/s"};
}

Lines jumpers(MonitorState &, std::string_view)
{
    return said("jumpers: master, no cable select (simulated)");
}

Lines eraseSystemInfo(MonitorState &, std::string_view)
{
    return said("system information erased (simulated, nothing erased)");
}

Lines rewriteFirmware(MonitorState &, std::string_view)
{
    return said("FlashROM rewritten from the reserve tracks (simulated)");
}

Lines rewriteCert(MonitorState &, std::string_view)
{
    return said("CERT rewritten from the reserve tracks (simulated)");
}

Lines smart(MonitorState &, std::string_view argument)
{
    static constexpr std::array<std::pair<char, std::string_view>, 10> Functions = {{
        {'1', "SMART recreated (simulated)"},
        {'2', "SMART attributes updated (simulated)"},
        {'3', "SMART version updated (simulated)"},
        {'5',
            "SMART attributes: 01 read error rate 100, 05 reallocated sectors 100, "
            "09 power-on hours 100 (simulated)"},
        {'7', "G-List: empty (simulated)"},
        {'8', "critical event log: empty (simulated)"},
        {'9', "P-List: empty (simulated)"},
        {'A', "health log: empty (simulated)"},
        {'B', "DST short test started (simulated, nothing runs)"},
        {'C', "DST long test started (simulated, nothing runs)"},
    }};
    for (const auto &[code, answer] : Functions)
        if (argument.size() == 1 && argument[0] == code)
            return said(std::string(answer));
    return said("SMART function N" + printable(argument) + " unknown");
}

Lines spinUp(MonitorState &state, std::string_view)
{
    state.spinning = true;
    return said("spindle up (simulated)");
}

Lines spinDown(MonitorState &state, std::string_view)
{
    state.spinning = false;
    return said("spindle down (simulated)");
}

Lines selectHead(MonitorState &state, std::string_view argument)
{
    const std::optional<int> head = digitIn(argument, 1, 4);
    if (!head)
        return said("head H" + printable(argument) + " unknown; H1 to H4");
    state.head = *head;
    return said("physical head " + std::to_string(state.head) + " selected");
}

Lines seek(MonitorState &state, std::string_view argument)
{
    const size_t comma = argument.find(',');
    const std::optional<uint64_t> track = parseDecimal(argument.substr(0, comma));
    const std::optional<int> head = comma == std::string_view::npos
        ? std::nullopt
        : digitIn(argument.substr(comma + 1), 1, 4);
    if (!track || !head)
        return said("seek S" + printable(argument) + " not understood; S<track>,<head 1-4>");
    state.head = *head;
    return said(
        "head " + std::to_string(*head) + " on track " + std::to_string(*track) + " (simulated)");
}

constexpr Command Commands[] = {
    {'T', "B", true, setRate},
    {'T', "T", true, factoryTest},
    {'T', "YE", true, chooseDriveType},
    {'T', "W", false, writeDriveType},
    {'T', "R", false, readSystemTrack},
    {'T', "N2,,22", false, selfScan},
    {'1', "M", false, firmwareVersion},
    {'1', "F", false, jumpers},
    {'1', "E", false, eraseSystemInfo},
    {'1', "fAAAA", false, rewriteFirmware},
    {'1', "fCCCC", false, rewriteCert},
    {'1', "N", true, smart},
    {'2', "U", false, spinUp},
    {'2', "Z", false, spinDown},
    {'2', "H", true, selectHead},
    {'2', "S", true, seek},
};

bool matches(const Command &command, std::string_view text)
{
    return command.takesArgument ? text.starts_with(command.name) : text == command.name;
}

// The command of `level` that `text` calls; an exact name wins over a prefix.
const Command *find(char level, std::string_view text)
{
    const Command *found = nullptr;
    for (const Command &command : Commands) {
        if (command.level != level || !matches(command, text))
            continue;
        if (!command.takesArgument)
            return &command;
        found = &command;
    }
    return found;
}

// A command of any level that `text` calls; one called by its exact name wins.
const Command *findElsewhere(std::string_view text)
{
    const Command *found = nullptr;
    for (const Command &command : Commands) {
        if (!matches(command, text))
            continue;
        if (!command.takesArgument)
            return &command;
        found = &command;
    }
    return found;
}

} // namespace

bool isLevel(char level)
{
    return (level >= '1' && level <= '9') || (level >= 'A' && level <= 'Z');
}

std::string promptOf(const MonitorState &state)
{
    return std::string("F3 ") + state.level + ">";
}

bool commandIsComplete(std::string_view command)
{
    return command.size() == 3 && command.starts_with("YE") && command[2] >= '0'
        && command[2] <= '3';
}

std::vector<std::string> runCommand(MonitorState &state, std::string_view text)
{
    const Command *here = find(state.level, text);
    const Command *anywhere = findElsewhere(text);
    // "N2,,22" at level 1 is the self-scan of level T, not a SMART function with an odd number.
    const bool betterElsewhere = anywhere && anywhere->level != state.level
        && !anywhere->takesArgument && (!here || here->takesArgument);
    if (here && !betterElsewhere)
        return here->run(state, text.substr(here->name.size()));
    if (anywhere)
        return said("\"" + printable(text) + "\" is a level " + anywhere->level
            + " command; now at level " + state.level);
    return said("unknown command \"" + printable(text) + "\" at level " + state.level);
}

} // namespace kelvane
