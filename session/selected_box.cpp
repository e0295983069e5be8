#include "session/selected_box.h"

void SelectedBox::show(const DeviceRow &row, StationList stations)
{
    m_shown = row;
    m_stations = std::move(stations);
    playing = Playing::Nothing;
}

void SelectedBox::showNone()
{
    m_shown.reset();
    m_stations = StationList();
    playing = Playing::Nothing;
}

bool SelectedBox::isShown(const DeviceRow &row) const
{
    return m_shown && m_shown->location == row.location && m_shown->address == row.address;
}

Box boxOf(const DeviceRow &row)
{
    return { row.address, row.port, row.name };
}

std::optional<TWeblist> SelectedBox::station(int row) const
{
    if (row < 1 || row > m_stations.size())
        return std::nullopt;
    return m_stations.at(row - 1);
}
