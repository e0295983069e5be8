#pragma once

#include "base/deadline.h"
#include "control/stations.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class HttpClient;

// The box a command goes to: A and P of the endpoint table.
struct Box
{
    QString address;
    QString port; // the renderer port, for the DLNA commands
};

// Shows the first line of a reply for a number of milliseconds: the window's
// banner, orvexctl's standard output.
using Notice = std::function<void(const QString &line, int ms)>;

// The two clients as one user action uses them: commands are POSTs on `ht`,
// files GETs on `hdown`, and every request ends by the action's deadline.
class CommandChannel
{
public:
    CommandChannel(HttpClient &ht, HttpClient &hdown, Deadline deadline, Notice notice);

    QByteArray command(const QString &address, const QString &target) const;
    QByteArray file(const QString &address, const QString &target) const;
    // A command whose reply's first line is shown for `ms`.
    void commandWithNotice(const QString &address, const QString &target, int ms) const;

private:
    HttpClient &m_ht;
    HttpClient &m_hdown;
    Deadline m_deadline;
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

} // namespace commands
