// The port list on Windows: the registry's SERIALCOMM values, described through SetupAPI.
#include "serial/port_list.h"

#include "base/utf8_path.h"
#include "serial/com_error.h"

#include <algorithm>
#include <map>
#include <vector>
#include <windows.h>
// SetupAPI's header needs the Windows types first.
#include <setupapi.h>

namespace kelvane {

namespace {

std::wstring wide(const std::string &text)
{
    return utf8Path(text).wstring();
}

std::string utf8(const wchar_t *text, size_t length)
{
    return pathUtf8(std::filesystem::path(std::wstring(text, length)));
}

std::string utf8(const std::wstring &text)
{
    return utf8(text.c_str(), text.size());
}

class RegistryKey
{
public:
    explicit RegistryKey(HKEY key) : m_key(key) { }
    ~RegistryKey() { RegCloseKey(m_key); }
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;
    HKEY get() const { return m_key; }

private:
    HKEY m_key;
};

// A string value's text up to its terminating zero, whether or not the value holds one.
std::wstring stringData(const std::vector<wchar_t> &data, DWORD bytes)
{
    const size_t length = std::min<size_t>(bytes / sizeof(wchar_t), data.size());
    const auto end = std::find(data.begin(), data.begin() + static_cast<ptrdiff_t>(length), L'\0');
    return std::wstring(data.begin(), end);
}

// The four hex digits after `tag` ("VID_") in a hardware id, or nothing.
std::string idAfter(const std::wstring &hardwareId, const wchar_t *tag)
{
    const size_t at = hardwareId.find(tag);
    if (at == std::wstring::npos || at + 4 + 4 > hardwareId.size())
        return {};
    return utf8(hardwareId.substr(at + 4, 4));
}

std::wstring deviceProperty(HDEVINFO set, SP_DEVINFO_DATA &device, DWORD property)
{
    std::vector<wchar_t> data(512);
    DWORD bytes = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
            reinterpret_cast<BYTE *>(data.data()),
            static_cast<DWORD>(data.size() * sizeof(wchar_t)), &bytes))
        return {};
    return stringData(data, bytes);
}

// What the devices of the Ports class say of themselves, by the port name they are given.
std::map<std::wstring, SerialPortInfo> describedPorts()
{
    // GUID_DEVCLASS_PORTS: serial and parallel ports.
    static const GUID PortsClass
        = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    std::map<std::wstring, SerialPortInfo> described;
    const HDEVINFO set = SetupDiGetClassDevsW(&PortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return described;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const HKEY key
            = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        std::vector<wchar_t> name(256);
        DWORD bytes = static_cast<DWORD>(name.size() * sizeof(wchar_t));
        const LONG read = RegQueryValueExW(
            key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE *>(name.data()), &bytes);
        RegCloseKey(key);
        if (read != ERROR_SUCCESS)
            continue;
        SerialPortInfo info;
        info.description = utf8(deviceProperty(set, device, SPDRP_FRIENDLYNAME));
        info.manufacturer = utf8(deviceProperty(set, device, SPDRP_MFG));
        // The first hardware id is the most specific: USB\VID_0403&PID_6001&REV_0600.
        const std::wstring hardwareId = deviceProperty(set, device, SPDRP_HARDWAREID);
        info.vendorId = idAfter(hardwareId, L"VID_");
        info.productId = info.vendorId.empty() ? std::string() : idAfter(hardwareId, L"PID_");
        if (info.productId.empty())
            info.vendorId.clear();
        described[stringData(name, bytes)] = std::move(info);
    }
    SetupDiDestroyDeviceInfoList(set);
    return described;
}

// As the system compares names for people: case ignored, in the user's locale.
bool lessIgnoringCase(const std::string &a, const std::string &b)
{
    const std::wstring wa = wide(a);
    const std::wstring wb = wide(b);
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.c_str(),
               static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()))
        == CSTR_LESS_THAN;
}

} // namespace

std::string PortInventory::defaultVirtualPortsFolder()
{
    return {};
}

std::vector<SerialPortInfo> serialPorts(const PortInventory &inventory)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(inventory.registryKey).c_str(), 0, KEY_READ, &opened)
        != ERROR_SUCCESS)
        throw EComPort(ComMessage::PortList);
    const RegistryKey key(opened);
    std::vector<SerialPortInfo> ports;
    std::map<std::wstring, SerialPortInfo> described;
    bool describedRead = false;
    for (DWORD index = 0;; ++index) {
        std::vector<wchar_t> name(256);
        std::vector<wchar_t> data(256);
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        const LONG result = RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr,
            nullptr, reinterpret_cast<BYTE *>(data.data()), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
            throw EComPort(ComMessage::PortList);
        if (!describedRead) {
            described = describedPorts();
            describedRead = true;
        }
        const std::wstring portName = stringData(data, dataBytes);
        SerialPortInfo port;
        if (const auto found = described.find(portName); found != described.end())
            port = found->second;
        port.name = utf8(portName);
        port.device = utf8(name.data(), nameLength);
        ports.push_back(std::move(port));
    }
    std::stable_sort(
        ports.begin(), ports.end(), [](const SerialPortInfo &a, const SerialPortInfo &b) {
            return lessIgnoringCase(a.name, b.name);
        });
    return ports;
}

std::string examplePortName()
{
    return "COM3";
}

std::string commandLinePortName(const std::string &name)
{
    return name;
}

bool isPrivateFolder(const std::string &)
{
    return false;
}

bool makeVirtualPortsFolder(const std::string &)
{
    return false;
}

} // namespace kelvane
