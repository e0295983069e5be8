#pragma once

#include "base/failure.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>

class QMessageBox;
class QWidget;

namespace errorbox {

// A modal box with no title text, no icon and one OK button; the text is
// shown as plain text. Returns when the user has closed it: for the start,
// before the event loop runs, never from a handler.
void show(const QString &text);

// Tests answer the boxes through this hook instead of a person: it receives
// the text that would be shown and the box is not opened (it counts as
// closed at once).
void setTestHook(std::function<void(const QString &)> hook);

} // namespace errorbox

// The window's error boxes, one at a time: each is opened modal to the window
// without an event loop of its own (open(), not exec()), and what fails while
// one is open waits behind it.
class ErrorBoxes : public QObject
{
    Q_OBJECT

public:
    explicit ErrorBoxes(QWidget *window);
    ~ErrorBoxes() override;

    // Shows the text now, or once the boxes before it have closed;
    // `closed` runs when the user has closed this one.
    void show(const QString &text, std::function<void()> closed = {});
    bool isOpen() const { return m_showing; }

signals:
    // The first box of a row of them opened, or the last one closed.
    void openChanged(bool open);

private:
    struct Waiting
    {
        QString text;
        std::function<void()> closed;
    };

    void openNext();

    QWidget *m_window;
    std::deque<Waiting> m_waiting;
    QPointer<QMessageBox> m_open;
    bool m_showing = false; // a box is open, or the next one is about to open
};
