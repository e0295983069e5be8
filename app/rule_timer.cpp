#include "app/rule_timer.h"

namespace {
bool s_stopped = false;
} // namespace

RuleTimer::RuleTimer(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    // After termination a tick still due stops its timer instead of firing.
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (s_stopped)
            m_timer.stop();
        else
            emit timeout();
    });
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
}
