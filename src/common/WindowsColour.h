#pragma once
// Colours as the settings table and the grids store them: Windows colour
// values with red in the lowest byte, then green, then blue.

#include <QtGlobal>

namespace tq::common {

constexpr int redOf(qint32 colour)
{
    return colour & 0xFF;
}
constexpr int greenOf(qint32 colour)
{
    return (colour >> 8) & 0xFF;
}
constexpr int blueOf(qint32 colour)
{
    return (colour >> 16) & 0xFF;
}
constexpr qint32 windowsColour(int red, int green, int blue)
{
    return red | (green << 8) | (blue << 16);
}

} // namespace tq::common
