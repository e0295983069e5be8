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
#include <QThread>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

class DeviceSession;

// One user action as its work sees it on the worker thread: the action's
// deadline, the clients, and the way back to the window.
class Action
{
public:
    Action(DeviceSession &session, Deadline deadline);

    const Deadline deadline;
    HttpClient &commandClient; // `ht`
    HttpClient &fileClient; // `hdown`
    SsdpEndpoint &search; // `ud`

    // The two clients with the action's deadline; reply lines go to the
    // window's banner.
    CommandChannel channel() const;
    // Runs `toWindow` on the window's thread, after everything posted
    // before it and before the action's end is reported.
    void post(std::function<void()> toWindow) const;

private:
    DeviceSession &m_session;
};

// The device work of the window, done beside it: the device table, the
// search, the refresh and every command. Each runs on one worker thread, one
// action at a time in the order asked, each within its 15 s; the window's
// thread never waits on the network. What an action finds comes back as
// signals on the window's thread, in order, before its end is reported. An
// action can be cancelled at once; the session ends its worker within a
// moment when it is destroyed.
class DeviceSession : public QObject
{
    Q_OBJECT

public:
    using Job = std::function<void(const Action &)>;
    // On the window's thread once the job has ended: an empty failure when it
    // went through, else the failure's message; `cancelled` when the user
    // ended it.
    using Ended = std::function<void(const QString &failure, bool cancelled)>;
    // A station's stream address as the station list stood when the action
    // was asked; it fails, with the list's message, where the request would
    // be made.
    using StationAddress = std::function<QString()>;
    enum class Volume { System, Dlna };

    explicit DeviceSession(QObject *parent = nullptr);
    ~DeviceSession() override;

    // The device table: one row per reply read in the last search, and the
    // boxes that announced themselves since; never more than MaxDevices.
    static constexpr qsizetype MaxDevices = 256;
    const QList<DeviceRow> &devices() const { return m_devices; }
    void clearDevices() { m_devices.clear(); }

    // The actions. `ended` runs on the window's thread at the end of each.
    void search(Ended ended = {});
    // The box's stations, volumes and chosen stations; each volume is sent
    // back, a volume that differs from its slider's value once more first.
    void refresh(const Box &box, double dlnaVolumeNow, double systemVolumeNow, Ended ended = {});
    void readWifiName();
    void startOrvex(const Box &box, Ended ended = {});
    void stopOrvex(const Box &box, Ended ended = {});
    void setVolume(Volume which, const Box &box, double value, Ended ended = {});
    void chooseRadioStation(const Box &box, int row, StationAddress address, Ended ended = {});
    // Stops the web radio, sends the DLNA stream of the row, then plays.
    void startDlna(const Box &box, int row, StationAddress address, Ended ended = {});
    void chooseDlnaStream(const Box &box, int row, StationAddress address, Ended ended = {});
    void stopDlna(const Box &box, Ended ended = {});
    void restart(const Box &box, Ended ended = {});
    void shutdown(const Box &box, Ended ended = {});

    // Listens for boxes that announce themselves: each one not yet in the
    // table is read as a search reply is, in an action of its own that starts
    // only when no other runs or waits and `mayStart` allows, and is appended
    // to the table. Without the SSDP port, says so once on standard error.
    void listenForAnnouncements(std::function<bool()> mayStart = {});

    // Ends the action under way: its waits fail with "Cancelled".
    void cancel();
    // An action the user asked for runs or waits its turn (reading an
    // announced box alone does not make the session busy).
    bool busy() const { return m_asked > 0; }

signals:
    // The first action of a row of them began, or the last one ended.
    void busyChanged(bool busy);
    // A reply line for the banner.
    void notice(const QString &line, int ms);
    // What the actions found, in the order they found it.
    void wifiNameRead(const QString &ssid);
    void deviceFound(const DeviceRow &row); // already in devices()
    void deviceAnnounced(const DeviceRow &row); // after its deviceFound
    void searched(const SearchReport &report);
    void stationsRead(const std::shared_ptr<StationList> &stations);
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
    void run(Job job, Ended ended = {}, bool asked = true);
    void announced(const Announcement &announcement);
    void readAnnounced();
    bool listed(const QString &location) const;
    void sendVolume(const Action &action, Volume which, const Box &box, double value);
    void sendDlnaStream(const Action &action, const Box &box, int row, const StationAddress &address);

    friend class Action;
    void execute(const Job &job);
    void end(const QString &failure, bool cancelled);
    void interruptClients();

    QList<DeviceRow> m_devices; // on the window's thread
    HttpClient m_ht;
    HttpClient m_hdown;
    SsdpEndpoint m_ud;
    QThread m_thread;
    QObject *m_worker; // lives on m_thread; jobs are queued calls to it
    // One per job not yet ended, on the window's thread, and whether the user asked for it.
    std::deque<std::pair<Ended, bool>> m_ended;
    int m_asked = 0;
    int m_searches = 0;
    std::unique_ptr<AnnouncementListener> m_listener;
    std::function<bool()> m_mayReadAnnounced;
    std::deque<Announcement> m_announced; // waiting to be read
    QTimer m_announcedLater;
};
