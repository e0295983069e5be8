#include "control/device_commands.h"
#include "base/failure.h"
#include "control/endpoints.h"
#include "control/http_client.h"
#include "control/reply_text.h"
#include "control/state_files.h"

CommandChannel::CommandChannel(
    HttpClient &ht, HttpClient &hdown, Deadline deadline, std::stop_token stop, Notice notice)
    : m_ht(ht)
    , m_hdown(hdown)
    , m_deadline(deadline)
    , m_stop(std::move(stop))
    , m_notice(std::move(notice))
{
}

QByteArray CommandChannel::command(const QString &address, const QString &target) const
{
    return m_ht.post(endpoints::url(address, target), m_deadline, m_stop);
}

QByteArray CommandChannel::file(const QString &address, const QString &target) const
{
    return m_hdown.get(endpoints::url(address, target), m_deadline, m_stop);
}

void CommandChannel::commandWithNotice(const QString &address, const QString &target, int ms) const
{
    m_notice(firstReplyLine(command(address, target)), ms);
}

namespace commands {

void startOrvex(const CommandChannel &channel, const Box &box)
{
    channel.commandWithNotice(box.address, endpoints::dlnaStop(box.address, box.port), 1000);
    channel.commandWithNotice(box.address, endpoints::startAir(), 2000);
}

void stopOrvex(const CommandChannel &channel, const Box &box, int noticeMs)
{
    channel.commandWithNotice(box.address, endpoints::stopAir(), noticeMs);
}

void setSystemVolume(const CommandChannel &channel, const Box &box, const QString &volume)
{
    channel.commandWithNotice(box.address, endpoints::systemVolume(volume), 2000);
}

void chooseRadioStation(const CommandChannel &channel, const Box &box, int row, const QString &streamAddress)
{
    channel.commandWithNotice(box.address, endpoints::webRadioAddress(streamAddress), 2000);
    channel.command(box.address, endpoints::orvexIndex(row));
}

void chooseDlnaStream(const CommandChannel &channel, const Box &box, int row, const QString &streamAddress)
{
    channel.commandWithNotice(box.address, endpoints::dlnaPlaylist(box.address, box.port, streamAddress), 2000);
    channel.command(box.address, endpoints::dlnaIndex(row));
}

void playDlna(const CommandChannel &channel, const Box &box)
{
    channel.commandWithNotice(box.address, endpoints::dlnaPlay(box.address, box.port), 2000);
}

void startDlna(const CommandChannel &channel, const Box &box, int row, const QString &streamAddress,
    const std::function<void()> &streamChosen)
{
    stopOrvex(channel, box, 1000);
    chooseDlnaStream(channel, box, row, streamAddress);
    if (streamChosen)
        streamChosen();
    playDlna(channel, box);
}

void stopDlna(const CommandChannel &channel, const Box &box)
{
    channel.commandWithNotice(box.address, endpoints::dlnaStop(box.address, box.port), 2000);
}

void setDlnaVolume(const CommandChannel &channel, const Box &box, const QString &volume)
{
    channel.commandWithNotice(box.address, endpoints::dlnaVolume(box.address, box.port, volume), 2000);
}

void restart(const CommandChannel &channel, const Box &box)
{
    channel.commandWithNotice(box.address, endpoints::reboot(), 2000);
}

void shutdown(const CommandChannel &channel, const Box &box)
{
    channel.commandWithNotice(box.address, endpoints::shutdown(), 2000);
}

StationFiles readStationFiles(const CommandChannel &channel, const QString &address)
{
    StationFiles files;
    files.descs = fileLines(channel.file(address, endpoints::stationDescs()), MaxStations + 1);
    if (files.descs.size() > MaxStations)
        throw Failure(Failure::tr("The device at %1 lists more than %2 stations").arg(address).arg(MaxStations));
    // Lines of "url.txt" past the number of descriptions are never used.
    files.urls = fileLines(channel.file(address, endpoints::stationUrls()), files.descs.size());
    return files;
}

StationList sortedStations(const StationFiles &files)
{
    StationList stations = StationList::fromLines(files.descs, files.urls);
    stations.sortByLocale();
    return stations;
}

int readInteger(const CommandChannel &channel, const QString &address, const QString &target)
{
    return oneInteger(channel.file(address, target));
}

BoxState readState(const CommandChannel &channel, const QString &address, const StateSteps &steps)
{
    BoxState state;
    state.stations = sortedStations(readStationFiles(channel, address));
    if (steps.stationsRead)
        steps.stationsRead(state.stations);
    state.dlnaVolume = readInteger(channel, address, endpoints::dlnaVolumeFile());
    if (steps.dlnaVolumeRead)
        steps.dlnaVolumeRead(state.dlnaVolume);
    state.systemVolume = readInteger(channel, address, endpoints::systemVolumeFile());
    if (steps.systemVolumeRead)
        steps.systemVolumeRead(state.systemVolume);
    state.orvexRow = readInteger(channel, address, endpoints::orvexIndexFile());
    state.dlnaRow = readInteger(channel, address, endpoints::dlnaIndexFile());
    return state;
}

} // namespace commands
