#pragma once

#include <QString>

#include <cmath>

// A slider value as the device takes it: the nearest whole number, halves to
// the even neighbour (42.5 gives 42, 43.5 gives 44), in plain digits.
inline QString volumeText(double value)
{
    return QString::number(static_cast<qint64>(std::nearbyint(value)));
}
