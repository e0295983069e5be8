#pragma once

#include "base/deadline.h"
#include "control/device_commands.h"
#include "control/http_client.h"
#include "discovery/announcements.h"
#include "discovery/device_row.h"
#include "discovery/device_search.h"
#include "discovery/ssdp.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QThread>
#include <QThreadPool>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>

class DeviceSession;

// How an action ended.
struct JobResult
{
    QString failure; // empty when it went through
    bool cancelled = false; // the user ended it, or the session did
    Box box; // the box it went to; no address for a search
};

// What an action's work has on the worker thread: its own deadline and stop
// token, which every client call of the action takes, the clients, and the
// way back to the window.
class JobContext
{
public:
    JobContext(DeviceSession &session, Deadline deadline, std::stop_token stop);

    const Deadline deadline;
    const std::stop_token stop;
    HttpClient &commandClient; // `ht`
    HttpClient &fileClient; // `hdown`
    SsdpEndpoint &search; // `ud`

    // The two clients with the action's deadline and stop; reply lines go to
    // the window's banner.
    CommandChannel channel() const;
    // Runs `toWindow` on the window's thread, after everything posted
    // before it and before the action's end is reported.
    void post(std::function<void()> toWindow) const;

private:
    DeviceSession &m_session;
};

// One action, in the shape of a KDE job: started once by the session, it
// reports its notices as it goes and one result at its end, and kill() ends
// it at any time: its waits end within a moment, whatever they wait for.
class DeviceJob
{
public:
    using Work = std::function<void(const JobContext &)>;
    using Ended = std::function<void(const JobResult &)>;

    DeviceJob(Box box, Work work, Ended ended);

    const Box &box() const { return m_box; }
    // On the worker thread: the work, to its end.
    JobResult run(DeviceSession &session) const;
    // From any thread.
    void kill() { m_stop.request_stop(); }
    // On the window's thread, once.
    void end(const JobResult &result) const;

private:
    Box m_box;
    Work m_work;
    Ended m_ended;
    std::stop_source m_stop;
};

// The device work of the window, done beside it: the device table, the
// search, the refresh and every command. The actions the user asks for run
// on one worker thread, one at a time in the order asked, each within its
// 15 s; the window's thread never waits on the network. What an action finds
// comes back as signals on the window's thread, in order, before its end is
// reported. Descriptions of boxes that answer late or announce themselves
// are read beside it, by nobody's request: they never make the session busy
// and no cancel reaches them. Destroying the session ends all of it within a
// moment.
class DeviceSession : public QObject
{
    Q_OBJECT

public:
    using Ended = DeviceJob::Ended;
    using Work = DeviceJob::Work;
    enum class Volume { System, Dlna };

    // An action the user asks for. `prepare` runs on the window's thread
    // when its turn comes, and gives the work, or nothing to drop the action
    // quietly (what it was for has gone). A waiting action with the same
    // `merge` key is replaced by a newer one in its place.
    struct Request
    {
        Box box;
        std::function<std::optional<Work>()> prepare;
        Ended ended;
        QString merge;
    };

    explicit DeviceSession(QObject *parent = nullptr);
    ~DeviceSession() override;

    // The device table: one row per box the last search found, and the boxes
    // that answered late or announced themselves since; never more than
    // MaxDevices.
    static constexpr qsizetype MaxDevices = 256;
    const QList<DeviceRow> &devices() const { return m_devices; }
    void clearDevices() { m_devices.clear(); }
    // A box that said goodbye, taken off the table.
    void removeDevice(const QString &location);

    void ask(Request request);
    // The actions the window asks for.
    void search(Ended ended = {});
    // The box's stations, volumes and chosen stations; each volume is sent
    // back, a volume that differs from its slider's value once more first.
    void refresh(const DeviceRow &row, double dlnaVolumeNow, double systemVolumeNow, Ended ended = {});
    void startOrvex(const Box &box, Ended ended = {});
    void stopOrvex(const Box &box, Ended ended = {});
    // A newer volume for the same slider replaces one that waits.
    void setVolume(Volume which, const Box &box, double value, Ended ended = {});
    void chooseRadioStation(const Box &box, int row, const QString &streamAddress, Ended ended = {});
    // Stops the web radio, sends the DLNA stream of the row, then plays.
    void startDlna(const Box &box, int row, const QString &streamAddress, Ended ended = {});
    void chooseDlnaStream(const Box &box, int row, const QString &streamAddress, Ended ended = {});
    void stopDlna(const Box &box, Ended ended = {});
    void restart(const Box &box, Ended ended = {});
    void shutdown(const Box &box, Ended ended = {});

    // What some of them do, for requests that are settled when their turn
    // comes (the desktop's media controls).
    Work startOrvexWork(const Box &box);
    Work stopOrvexWork(const Box &box);
    Work stopDlnaWork(const Box &box);
    Work volumeWork(Volume which, const Box &box, double value);
    Work radioStationWork(const Box &box, int row, const QString &streamAddress);
    // The merge key of a slider's volume changes.
    static QString volumeMerge(Volume which);

    // Listens for boxes that announce themselves: each one not yet in the
    // table is read as a search reply is and appended. Without the SSDP port,
    // says so once on standard error.
    void listenForAnnouncements();

    // Ends the newest action the user asked for: one that waits ends at
    // once, the one under way within a moment; both end "Cancelled".
    void cancel();
    // While held (an error box is open) no action starts.
    void hold(bool held);
    // An action the user asked for runs or waits its turn.
    bool busy() const { return m_running || !m_waiting.empty(); }

signals:
    // The first action of a row of them began, or the last one ended.
    void busyChanged(bool busy);
    // A reply line for the banner.
    void notice(const QString &line, int ms);
    // What the actions found, in the order they found it.
    void deviceFound(const DeviceRow &row); // already in devices()
    // A box that answered the search late or announced itself: after its deviceFound.
    void deviceAnnounced(const DeviceRow &row);
    // A listed box said goodbye (its LOCATION).
    void deviceLeaving(const QString &location);
    void searched(const SearchReport &report);
    void stationsRead(const DeviceRow &row, const std::shared_ptr<StationList> &stations);
    void volumeSent(DeviceSession::Volume which, double value);
    void orvexRowRead(int row);
    void dlnaRowRead(int row);
    void radioStationChosen(int row);
    void dlnaStreamChosen(int row);
    void orvexStarted();
    void orvexStopped();
    void dlnaStarted();
    void dlnaStopped();

private:
    friend class JobContext;

    void startNext();
    void finished(const std::shared_ptr<DeviceJob> &job, const JobResult &result);
    void updateBusy();
    void ask(const Box &box, Work work, Ended ended, const QString &merge = {});
    static std::function<std::optional<Work>()> fixed(Work work);
    void sendVolume(const JobContext &job, Volume which, const Box &box, double value);
    bool listed(const QString &location) const;
    void rowRead(const DeviceRow &row, int search, bool late);
    void heard(const Announcement &announcement);
    void readAnnounced();

    QList<DeviceRow> m_devices; // on the window's thread
    HttpClient m_ht;
    HttpClient m_hdown;
    SsdpEndpoint m_ud;
    QThread m_thread;
    QObject *m_worker; // lives on m_thread; jobs are queued calls to it
    std::deque<Request> m_waiting;
    std::shared_ptr<DeviceJob> m_running;
    bool m_held = false;
    bool m_busy = false;
    int m_searches = 0;
    // On the worker thread: the late replies of the last search, read beside
    // it until the next search begins.
    std::jthread m_lateReplies;
    // Work nobody asked for: descriptions of announced boxes.
    std::stop_source m_background;
    QThreadPool m_pool;
    std::unique_ptr<AnnouncementListener> m_listener;
    AnnouncementQueue m_announced;
    QSet<QString> m_reading; // sources whose announced box is being read
};
