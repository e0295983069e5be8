#include "app/rule_timer.h"

RuleTimer::RuleTimer(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RuleTimer::timeout);
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
    if (m_enabled && !m_halted && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

void RuleTimer::halt()
{
    m_halted = true;
    m_timer.stop();
}
