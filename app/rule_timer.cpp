#include "app/rule_timer.h"

#include <QList>
#include <QPointer>

namespace {
bool s_stopped = false;
QList<QPointer<RuleTimer>> &allTimers()
{
    static QList<QPointer<RuleTimer>> timers;
    return timers;
}
} // namespace

RuleTimer::RuleTimer(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!s_stopped)
            emit timeout();
    });
    allTimers().append(this);
}

void RuleTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    restart();
}

void RuleTimer::setInterval(int ms)
{
    if (ms == m_interval)
        return;
    m_interval = ms;
    restart();
}

void RuleTimer::restart()
{
    if (m_enabled && !s_stopped && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

void RuleTimer::stopAll()
{
    s_stopped = true;
    for (const auto &timer : std::as_const(allTimers())) {
        if (timer)
            timer->m_timer.stop();
    }
}
