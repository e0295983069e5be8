#pragma once

#include "base/deadline.h"
#include "control/stations.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <stop_token>

class HttpClient;

// The box a command goes to: A and P of the endpoint table, and its name for
// the messages that speak of it.
struct Box
{
    QString address;
    QString port; // the renderer port, for the DLNA commands
    QString name;
};

// Shows the first line of a reply for a number of milliseconds: the window's
// banner, orvexctl's standard output.
using Notice = std::function<void(const QString &line, int ms)>;

// The two clients as one user action uses them: commands are POSTs on `ht`,
// files GETs on `hdown`, and every request ends by the action's deadline, or
// at once when the action is stopped.
class CommandChannel
{
public:
    CommandChannel(HttpClient &ht, HttpClient &hdown, Deadline deadline, std::stop_token stop, Notice notice);

    QByteArray command(const QString &address, const QString &target) const;
    QByteArray file(const QString &address, const QString &target) const;
    // A command whose reply's first line is shown for `ms`.
    void commandWithNotice(const QString &address, const QString &target, int ms) const;

private:
    HttpClient &m_ht;
    HttpClient &m_hdown;
    Deadline m_deadline;
    std::stop_token m_stop;
    Notice m_notice;
};

// A station list longer than this is refused: it would make the station boxes
// unusable, and it bounds the sort.
constexpr qsizetype MaxStations = 10000;

// The lines of "desc.txt" and "url.txt".
struct StationFiles
{
    QStringList descs;
    QStringList urls;
};

// What the refresh reads of a box, in the order it reads it.
struct BoxState
{
    StationList stations;
    int dlnaVolume = 0;
    int systemVolume = 0;
    int orvexRow = 0; // the rows of the station boxes: 0 none, k the k-th station
    int dlnaRow = 0;
};

// Steps of the state read where its reader acts before it goes on.
struct StateSteps
{
    // The stations are read: the reader may take them (the window fills its
    // station boxes with them).
    std::function<void(StationList &stations)> stationsRead;
    // Each volume is read (the window sends them back there).
    std::function<void(int dlnaVolume)> dlnaVolumeRead;
    std::function<void(int systemVolume)> systemVolumeRead;
};

// What each control sends, in the order it sends it. The window and orvexctl
// both go through these, so the same action sends the same requests.
namespace commands {

// "Start Orvex": the DLNA renderer is stopped first (notice 1000 ms), then
// the Orvex service started (2000 ms).
void startOrvex(const CommandChannel &channel, const Box &box);
// "Stop Orvex"; "Start DLNA" sends it first with a 1000 ms notice.
void stopOrvex(const CommandChannel &channel, const Box &box, int noticeMs = 2000);
void setSystemVolume(const CommandChannel &channel, const Box &box, const QString &volume);
// The web-radio station at a row of the station box: its stream address, then
// the row (whose reply is not read).
void chooseRadioStation(const CommandChannel &channel, const Box &box, int row, const QString &streamAddress);
// The DLNA stream at a row: the playlist request, then the row.
void chooseDlnaStream(const CommandChannel &channel, const Box &box, int row, const QString &streamAddress);
void playDlna(const CommandChannel &channel, const Box &box);
// "Start DLNA": the web radio is stopped (notice 1000 ms), the stream of the
// row is sent, then the renderer plays. The caller has found the row's
// station before: a row without one sends nothing.
// `streamChosen` runs once the box has taken the stream's row.
void startDlna(const CommandChannel &channel, const Box &box, int row, const QString &streamAddress,
    const std::function<void()> &streamChosen = {});
void stopDlna(const CommandChannel &channel, const Box &box);
void setDlnaVolume(const CommandChannel &channel, const Box &box, const QString &volume);
void restart(const CommandChannel &channel, const Box &box);
void shutdown(const CommandChannel &channel, const Box &box);

// The two station files; fails when "desc.txt" lists more than MaxStations.
StationFiles readStationFiles(const CommandChannel &channel, const QString &address);
// The station list as the boxes show it: one entry per description line,
// sorted with the user's locale.
StationList sortedStations(const StationFiles &files);
// One of the four integer files ("vol", "dvol", "orvex_index", "dlna_index").
int readInteger(const CommandChannel &channel, const QString &address, const QString &target);
// The box's stations, volumes and chosen rows, in the refresh's order: the
// station files, "dvol", "vol", "orvex_index", "dlna_index".
BoxState readState(const CommandChannel &channel, const QString &address, const StateSteps &steps = {});

} // namespace commands
