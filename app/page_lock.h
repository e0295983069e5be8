#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QTabWidget;
class QWidget;

// Whether the pages take input: when the handlers have left them enabled and
// no action runs. While an action runs they are still painted; after 300 ms
// the window shows that it is busy (the busy row under the banner and the
// wait cursor). Disabled pages lose the keyboard focus; the control that had
// it gets it back when they return.
class PageLock : public QObject
{
    Q_OBJECT

public:
    // `firstFocus` gives the keyboard to a control when none had it before.
    PageLock(QWidget *window, QTabWidget *pages, QWidget *busyRow, std::function<void()> firstFocus);

    // As the handlers leave them.
    void setPagesEnabled(bool enabled);
    bool pagesEnabled() const { return m_pagesEnabled; }
    void setBusy(bool busy);
    bool busy() const { return m_busy; }

signals:
    void pagesEnabledChanged();

private:
    void apply();
    void showBusy();

    QWidget *m_window;
    QTabWidget *m_pages;
    QWidget *m_busyRow;
    std::function<void()> m_firstFocus;
    bool m_pagesEnabled = false;
    bool m_busy = false;
    QTimer m_busyShown;
    QPointer<QWidget> m_pagesFocus; // the control that had the focus when the pages were disabled
};
