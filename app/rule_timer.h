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

    // Application termination: every timer stops at once and none can be armed again.
    static void stopAll();

signals:
    void timeout();

private:
    void restart();

    QTimer m_timer;
    bool m_enabled = false;
    int m_interval = 1000;
};
