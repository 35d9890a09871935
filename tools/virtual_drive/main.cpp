// kelvane-virtual-drive: plays a drive's diagnostic monitor on a pseudo-terminal and publishes it
// in the virtual ports folder, where the program's port box finds it.
#include "base/texts.h"
#include "serial/com_error.h"
#include "serial/port_list.h"
#include "virtual_drive/drive_server.h"
#include "virtual_drive/drive_texts.h"
#include "virtual_drive/pseudo_terminal.h"
#include "virtual_drive/published_port.h"

#include <csignal>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

using namespace kelvane;

namespace {

struct Options
{
    std::string name = "virtual-drive";
    std::string portsFolder = PortInventory::defaultVirtualPortsFolder();
    std::optional<std::string> logFile;
    bool inventory = false;
    bool help = false;
    bool version = false;
};

std::optional<Options> parse(const std::vector<std::string> &args)
{
    Options options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--inventory") {
            options.inventory = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--name" && hasValue) {
            options.name = args[++i];
        } else if (arg == "--ports-folder" && hasValue) {
            options.portsFolder = args[++i];
        } else if (arg == "--log" && hasValue) {
            options.logFile = args[++i];
        } else {
            std::cerr << localText(DriveText::UnknownOption, {arg}) << "\n";
            return std::nullopt;
        }
    }
    return options;
}

void printUsage(const Options &defaults)
{
    std::cout << localText(DriveText::Usage, {defaults.portsFolder});
}

int listPorts(const Options &options)
{
    PortInventory inventory;
    inventory.virtualPorts = options.portsFolder;
    std::vector<std::string> ports;
    try {
        ListSerialPorts(ports, inventory);
    } catch (const EComPort &e) {
        std::cerr << comMessageIn(textLanguage(), e.what()) << "\n";
        return 1;
    }
    for (const std::string &port : ports)
        std::cout << port << "\n";
    return 0;
}

int serve(const Options &options)
{
    std::ofstream logFile;
    if (options.logFile) {
        logFile.open(*options.logFile, std::ios::app);
        if (!logFile)
            throw std::runtime_error(localText(DriveText::LogNotOpened, {*options.logFile}));
    }
    std::ostream &log = options.logFile ? logFile : std::clog;
    PseudoTerminal terminal;
    VirtualDrive drive;
    DriveServer server(drive, terminal.master(), terminal.slavePath(), log);
    const PublishedPort port(options.portsFolder, options.name, terminal.slavePath());
    std::cout << localText(DriveText::Ready, {port.path(), terminal.slavePath()}) << std::endl;
    server.run();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::signal(SIGPIPE, SIG_IGN); // a closed stdout or log must not end the drive silently
    setTextLanguage(commandLineLanguage(localeVariables()));
    const std::optional<Options> options = parse(std::vector<std::string>(argv + 1, argv + argc));
    if (!options) {
        printUsage(Options {});
        return 2;
    }
    if (options->help) {
        printUsage(Options {});
        return 0;
    }
    if (options->version) {
        std::cout << "kelvane-virtual-drive " KELVANE_VERSION "\n";
        return 0;
    }
    if (options->inventory)
        return listPorts(*options);
    try {
        return serve(*options);
    } catch (const std::exception &e) {
        std::cerr << "kelvane-virtual-drive: " << e.what() << "\n";
        return 1;
    }
}
