#include "control/stations.h"
#include "base/failure.h"

#include <QCollator>
#include <QLocale>

StationList StationList::fromLines(const QStringList &descs, const QStringList &urls)
{
    StationList list;
    list.m_entries.reserve(static_cast<size_t>(descs.size()));
    for (qsizetype i = 0; i < descs.size(); ++i) {
        if (i >= urls.size())
            throw Failure::indexOutOfBounds(i);
        list.m_entries.push_back({ descs.at(i), std::make_unique<TWeblist>(descs.at(i), urls.at(i)) });
    }
    return list;
}

// The exact quicksort that decides the order of texts that compare equal.
// It recurses only into the smaller part and loops over the larger one: the
// two parts are disjoint, so the result is the one of the plain recursion, and
// the depth stays below log2 of the length whatever the order of the texts.
// `compare(i, j)` compares the entries at two positions; `swapped(i, j)` hears
// of every exchange, so keys kept beside the entries can follow them.
template <typename Compare>
void StationList::quickSort(Compare compare, const std::function<void(qsizetype, qsizetype)> &swapped)
{
    const std::function<void(qsizetype, qsizetype)> sortRange = [&](qsizetype l, qsizetype r) {
        for (;;) {
            qsizetype i = l;
            qsizetype j = r;
            qsizetype p = (l + r) / 2;
            do {
                while (compare(i, p) < 0)
                    ++i;
                while (compare(j, p) > 0)
                    --j;
                if (i <= j) {
                    if (i != j) {
                        std::swap(m_entries[size_t(i)], m_entries[size_t(j)]);
                        if (swapped)
                            swapped(i, j);
                    }
                    if (p == i)
                        p = j;
                    else if (p == j)
                        p = i;
                    ++i;
                    --j;
                }
            } while (i <= j);
            const bool left = l < j;
            const bool right = i < r;
            if (left && right) {
                if (j - l < r - i) {
                    sortRange(l, j);
                    l = i;
                } else {
                    sortRange(i, r);
                    r = j;
                }
            } else if (left) {
                r = j;
            } else if (right) {
                l = i;
            } else {
                return;
            }
        }
    };
    if (m_entries.size() >= 2)
        sortRange(0, size() - 1);
}

void StationList::sortByLocale()
{
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Keys are made once per text, so the sort compares keys, not texts again
    // and again. In the C locale Qt compares code units with case folded, and
    // its sort keys would not fold case: the folded texts are the keys there.
    if (collator.locale().language() == QLocale::C) {
        std::vector<QString> folded;
        folded.reserve(m_entries.size());
        for (const auto &entry : m_entries)
            folded.push_back(entry.text.toCaseFolded());
        quickSort([&folded](qsizetype a, qsizetype b) { return folded[size_t(a)].compare(folded[size_t(b)]); },
            [&folded](qsizetype a, qsizetype b) { folded[size_t(a)].swap(folded[size_t(b)]); });
        return;
    }
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_entries.size());
    for (const auto &entry : m_entries)
        keys.push_back(collator.sortKey(entry.text));
    quickSort([&keys](qsizetype a, qsizetype b) { return keys[size_t(a)].compare(keys[size_t(b)]); },
        [&keys](qsizetype a, qsizetype b) { keys[size_t(a)].swap(keys[size_t(b)]); });
}

void StationList::sort(const std::function<int(const QString &, const QString &)> &compare)
{
    quickSort(
        [&](qsizetype a, qsizetype b) { return compare(m_entries[size_t(a)].text, m_entries[size_t(b)].text); }, {});
}

const TWeblist &StationList::at(qsizetype index) const
{
    if (index < 0 || index >= size())
        throw Failure::indexOutOfBounds(index);
    return *m_entries[size_t(index)].record;
}

QStringList StationList::texts() const
{
    QStringList texts;
    for (const auto &entry : m_entries)
        texts.append(entry.text);
    return texts;
}
