#include "control/device_session.h"
#include "base/failure.h"

Action::Action(DeviceSession &session, Deadline deadline)
    : deadline(deadline)
    , commandClient(session.m_ht)
    , fileClient(session.m_hdown)
    , search(session.m_ud)
    , m_session(session)
{
}

CommandChannel Action::channel() const
{
    return CommandChannel(commandClient, fileClient, deadline, [this](const QString &line, int ms) {
        post([session = &m_session, line, ms] { emit session->notice(line, ms); });
    });
}

void Action::post(std::function<void()> toWindow) const
{
    QMetaObject::invokeMethod(&m_session, std::move(toWindow), Qt::QueuedConnection);
}

DeviceSession::DeviceSession(QObject *parent)
    : QObject(parent)
    , m_worker(new QObject)
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("device session"));
    m_thread.start();
}

DeviceSession::~DeviceSession()
{
    // The action under way ends at once; the ones waiting never start. A name
    // lookup still running is left to its own thread.
    m_ended.clear();
    m_thread.requestInterruption();
    interruptClients();
    m_thread.quit();
    m_thread.wait();
}

void DeviceSession::run(Job job, Ended ended)
{
    m_ended.push_back(std::move(ended));
    if (m_ended.size() == 1)
        emit busyChanged(true);
    QMetaObject::invokeMethod(
        m_worker, [this, job = std::move(job)] { execute(job); }, Qt::QueuedConnection);
}

void DeviceSession::cancel()
{
    if (busy())
        interruptClients();
}

void DeviceSession::interruptClients()
{
    m_ht.interrupt();
    m_hdown.interrupt();
    m_ud.interrupt();
}

// On the worker thread.
void DeviceSession::execute(const Job &job)
{
    if (m_thread.isInterruptionRequested())
        return;
    m_ht.clearInterrupt();
    m_hdown.clearInterrupt();
    m_ud.clearInterrupt();
    QString failure;
    bool cancelled = false;
    try {
        job(Action(*this, deadlineIn(ActionBudget)));
    } catch (const Failure &f) {
        failure = f.message();
        cancelled = f.kind() == Failure::Kind::Cancelled;
    } catch (...) {
        failure = failureMessage(std::current_exception());
    }
    QMetaObject::invokeMethod(
        this, [this, failure, cancelled] { end(failure, cancelled); }, Qt::QueuedConnection);
}

// On the window's thread.
void DeviceSession::end(const QString &failure, bool cancelled)
{
    if (m_ended.empty())
        return;
    const Ended ended = std::move(m_ended.front());
    m_ended.pop_front();
    if (ended)
        ended(failure, cancelled);
    if (m_ended.empty())
        emit busyChanged(false);
}
