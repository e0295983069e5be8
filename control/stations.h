#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// One web-radio station of the device: a line of "desc.txt" and the line of
// "url.txt" with the same number.
class TWeblist
{
public:
    TWeblist(QString description, QString ip)
        : Description(std::move(description))
        , IP(std::move(ip))
    {
    }

    QString Description;
    QString IP;
};

// The station list: description texts, each owning its record, in the order
// the sort left them. Row k of a station box (k from 1) is entry k-1.
class StationList
{
public:
    struct Entry
    {
        QString text;
        std::unique_ptr<TWeblist> record;
    };

    // Builds the list from the two files' lines; fails with
    // "List index out of bounds (n)" when "url.txt" has fewer lines.
    static StationList fromLines(const QStringList &descs, const QStringList &urls);

    // Sorts by text with the user's locale, case ignored.
    void sortByLocale();
    // The same sort with another comparison.
    void sort(const std::function<int(const QString &, const QString &)> &compare);

    qsizetype size() const { return static_cast<qsizetype>(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    // Fails with "List index out of bounds (index)" outside the list.
    const TWeblist &at(qsizetype index) const;
    QStringList texts() const;

private:
    template <typename Compare>
    void quickSort(Compare compare, const std::function<void(qsizetype, qsizetype)> &swapped);

    std::vector<Entry> m_entries;
};
