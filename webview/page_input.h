#pragma once

#include <QElapsedTimer>
#include <QObject>

class QWidget;

// What the user did in the box's page lately, seen in the events that reach
// the browser view: the page may act on the user's behalf only right after
// (a download), and may put on the clipboard only what the user copied.
class PageInput : public QObject
{
    Q_OBJECT

public:
    // How long a click or key counts as the user's gesture.
    static constexpr qint64 GestureMs = 1000;

    explicit PageInput(QWidget *view);

    // A click or a key in the page within GestureMs.
    bool recentGesture() const { return within(m_input); }
    // The user's own copy within GestureMs: Ctrl+C, Ctrl+X, Ctrl+Insert or
    // Shift+Delete in the page, or its menu's Copy or Cut (copied()).
    bool recentCopy() const { return within(m_copy); }
    // A mouse drag or a selecting key within GestureMs (the X11 selection).
    bool recentSelection() const { return within(m_selection); }
    void copied() { m_copy.start(); }
    // A new page: what the user did in the one before counts for nothing.
    void forget()
    {
        m_input.invalidate();
        m_copy.invalidate();
        m_selection.invalidate();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static bool within(const QElapsedTimer &timer) { return timer.isValid() && timer.elapsed() < GestureMs; }

    QWidget *m_view;
    QElapsedTimer m_input;
    QElapsedTimer m_copy;
    QElapsedTimer m_selection;
};
