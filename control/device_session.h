#pragma once

#include "base/deadline.h"
#include "control/device_commands.h"
#include "control/http_client.h"
#include "discovery/ssdp.h"

#include <QObject>
#include <QThread>

#include <deque>
#include <functional>

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

// The device work of the window, done beside it: every search, refresh and
// command runs on one worker thread, one action at a time in the order asked,
// each within its 15 s. The window's thread never waits on the network: it
// hears what an action found and when it ended through queued calls. An
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

    explicit DeviceSession(QObject *parent = nullptr);
    ~DeviceSession() override;

    void run(Job job, Ended ended = {});
    // Ends the action under way: its waits fail with "Cancelled".
    void cancel();
    // An action runs or waits its turn.
    bool busy() const { return !m_ended.empty(); }

signals:
    // The first action of a row of them began, or the last one ended.
    void busyChanged(bool busy);
    // A reply line for the banner.
    void notice(const QString &line, int ms);

private:
    friend class Action;
    void execute(const Job &job);
    void end(const QString &failure, bool cancelled);
    void interruptClients();

    HttpClient m_ht;
    HttpClient m_hdown;
    SsdpEndpoint m_ud;
    QThread m_thread;
    QObject *m_worker; // lives on m_thread; jobs are queued calls to it
    std::deque<Ended> m_ended; // one per job not yet ended, on the window's thread
};
