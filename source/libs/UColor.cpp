#include "UColor.h"

#include <atomic>
#include <iterator>

namespace {

// What a workstation shows by default, as 0xRRGGBB by system colour index.
const uint32_t DefaultSysColors[] = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0,
};

TColor defaultSysColor(int index)
{
    if (index < 0 || index >= int(std::size(DefaultSysColors)))
        return 0;
    const uint32_t rgb = DefaultSysColors[index];
    return RGBToColor(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
}

std::atomic<TSysColorResolver> resolver{&defaultSysColor};

} // namespace

void SetSysColorResolver(TSysColorResolver value)
{
    resolver.store(value ? value : &defaultSysColor);
}

TColor ColorToRGB(TColor value)
{
    return IsSystemColor(value) ? resolver.load()(int(value & 0xFF)) : value;
}
