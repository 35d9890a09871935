#include "serial/port_list.h"

namespace kelvane {

void ListSerialPorts(std::vector<std::string> &target, const PortInventory &inventory)
{
    std::vector<std::string> names;
    for (SerialPortInfo &port : serialPorts(inventory))
        names.push_back(std::move(port.name));
    target = std::move(names);
}

} // namespace kelvane
