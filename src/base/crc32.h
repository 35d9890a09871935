// Crc32: the CRC-32 of IEEE 802.3 (the one of zip and PNG), computed incrementally, so data that
// arrives in pieces gets the same value as the whole. A value type; not thread-safe.
#pragma once

#include <cstdint>
#include <string_view>

namespace kelvane {

class Crc32
{
public:
    void update(std::string_view bytes);
    uint32_t value() const { return ~m_state; }

private:
    uint32_t m_state = 0xFFFFFFFFu;
};

} // namespace kelvane
