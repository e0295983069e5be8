#pragma once

#include <QList>

#include <algorithm>

// The middle of the figures of several runs; 0 when there are none.
inline double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}
