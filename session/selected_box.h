#pragma once

#include "control/device_commands.h"
#include "control/stations.h"
#include "discovery/device_row.h"

#include <QString>

#include <optional>

// A row of the device table as the box its commands go to.
Box boxOf(const DeviceRow &row);

// The box the pages describe and the buttons drive, and what the window knows
// of it: its stations, the station rows last read or confirmed, what the
// program last started on it and its system volume. Widget-free; the window,
// its status line and the media player read it. Nothing here throws.
class SelectedBox
{
public:
    enum class Playing { Nothing, Orvex, Dlna };

    // The box whose refresh loaded the pages, or none (before the first
    // refresh, after the first one failed, after a search).
    const std::optional<DeviceRow> &shown() const { return m_shown; }
    // Another box's refresh has read its stations: it is the box now, and
    // nothing is known of what it plays.
    void show(const DeviceRow &row, StationList stations);
    // No box: a search began, or the box left the table.
    void showNone();
    // The same box as a row of the table (its LOCATION).
    bool isShown(const DeviceRow &row) const;

    const StationList &stations() const { return m_stations; }
    // The station of a station box's row (k from 1): its name and stream
    // address; nothing outside the list.
    std::optional<TWeblist> station(int row) const;

    int LastRadioIndex = 0;
    int LastDlnaIndex = 0;
    Playing playing = Playing::Nothing;
    double systemVolume = 0;

private:
    std::optional<DeviceRow> m_shown;
    StationList m_stations;
};
