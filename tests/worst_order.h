#pragma once

// A crafted worst order for the station sort, made by McIlroy's adversary
// ("A Killer Adversary for Quicksort"): the sort runs once on items whose
// values are decided only as the comparisons need them, always so as to make
// the partition as uneven as possible. The values so decided, in the items'
// starting positions, are an order that drives this exact sort to its worst.

#include "control/stations.h"

#include <QStringList>

#include <vector>

inline QStringList worstStationOrder(int count) // up to 65534 items
{
    const int gas = count; // not decided yet; above every decided value
    std::vector<int> value(size_t(count), gas);
    int next = 0;
    int candidate = -1;
    QStringList ids, urls;
    for (int i = 0; i < count; ++i) {
        ids << QString(QChar(char16_t(i + 1))); // the item's number, cheap to read back
        urls << QString();
    }
    StationList list = StationList::fromLines(ids, urls);
    list.sort([&](const QString &a, const QString &b) {
        const int x = a.at(0).unicode() - 1, y = b.at(0).unicode() - 1;
        if (value[size_t(x)] == gas && value[size_t(y)] == gas)
            value[size_t(x == candidate ? x : y)] = next++;
        if (value[size_t(x)] == gas)
            candidate = x;
        else if (value[size_t(y)] == gas)
            candidate = y;
        return value[size_t(x)] - value[size_t(y)];
    });
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << QStringLiteral("Station %1")
                     .arg(value[size_t(i)] == gas ? next++ : value[size_t(i)], 5, 10, QLatin1Char('0'));
    return texts;
}
