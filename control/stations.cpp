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

void StationList::sortByLocale()
{
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    sort([&collator](const QString &a, const QString &b) { return collator.compare(a, b); });
}

// This exact quicksort decides the order of texts that compare equal, so it is
// kept as it is rather than replaced by std::sort.
void StationList::sort(const std::function<int(const QString &, const QString &)> &compare)
{
    if (m_entries.size() < 2)
        return;
    std::function<void(qsizetype, qsizetype)> quickSort = [&](qsizetype l, qsizetype r) {
        qsizetype i;
        do {
            i = l;
            qsizetype j = r;
            qsizetype p = (l + r) / 2;
            do {
                while (compare(m_entries[size_t(i)].text, m_entries[size_t(p)].text) < 0)
                    ++i;
                while (compare(m_entries[size_t(j)].text, m_entries[size_t(p)].text) > 0)
                    --j;
                if (i <= j) {
                    if (i != j)
                        std::swap(m_entries[size_t(i)], m_entries[size_t(j)]);
                    if (p == i)
                        p = j;
                    else if (p == j)
                        p = i;
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (l < j)
                quickSort(l, j);
            l = i;
        } while (i < r);
    };
    quickSort(0, size() - 1);
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
