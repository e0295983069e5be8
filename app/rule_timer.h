#pragma once

#include <QObject>
#include <QTimer>

// A timer with the window's timer rules: created disabled with 1000 ms; an
// enabled timer fires every interval until disabled; setting the enabled state
// or the interval to the value it already has changes nothing (a QTimer would
// restart), a real change of either restarts the count.
class RuleTimer : public QObject
{
    Q_OBJECT

public:
    explicit RuleTimer(QObject *parent = nullptr);

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setInterval(int ms);
    int interval() const { return m_interval; }
    // Milliseconds until the next firing; -1 when the timer is not running.
    int remainingTime() const { return m_timer.remainingTime(); }

    // Application termination: the timer stops at once and cannot be armed again.
    void halt();

signals:
    void timeout();

private:
    void restart();

    QTimer m_timer;
    bool m_enabled = false;
    bool m_halted = false;
    int m_interval = 1000;
};
