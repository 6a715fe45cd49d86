#pragma once

#include <cstdint>

// A colour as the service and the data items keep it: red in the low byte, then green, then
// blue. A value whose high byte is 0xFF names a system colour by its index in the low byte.
using TColor = uint32_t;

// "No colour" of data items.
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor RGBToColor(uint8_t red, uint8_t green, uint8_t blue)
{
    return TColor(red) | (TColor(green) << 8) | (TColor(blue) << 16);
}
constexpr uint8_t ColorRed(TColor c) { return uint8_t(c); }
constexpr uint8_t ColorGreen(TColor c) { return uint8_t(c >> 8); }
constexpr uint8_t ColorBlue(TColor c) { return uint8_t(c >> 16); }
constexpr bool IsSystemColor(TColor c) { return (c >> 24) == 0xFF; }

// Gives the current value of a system colour by index; the user-interface kit installs one
// that reads its palette. Null restores the built-in defaults.
using TSysColorResolver = TColor (*)(int index);
void SetSysColorResolver(TSysColorResolver value);
// A system colour's current red-green-blue value; any other value as it is.
TColor ColorToRGB(TColor value);
