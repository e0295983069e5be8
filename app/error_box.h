#pragma once

#include "control/failure.h"

#include <QString>

#include <exception>
#include <functional>

namespace errorbox {

// The message with a full stop appended when its last character's code is above
// that of "." (46).
QString withFullStop(const QString &message);

// A modal box with an empty title, no icon and one OK button, owned by the
// active window; returns when the user has closed it.
void show(const QString &text);

// Tests answer the box through this hook instead of a person: it receives the
// text that would be shown and the box is not opened.
void setTestHook(std::function<void(const QString &)> hook);

} // namespace errorbox

// Runs one event handler: a failure ends the handler, its message is shown in
// the error box, then `afterFailure` runs. No exception leaves this function,
// so none ever crosses Qt's event loop.
template <typename Handler> void failureBoundary(Handler &&handler, const std::function<void()> &afterFailure = {})
{
    QString message;
    try {
        handler();
        return;
    } catch (const Failure &failure) {
        message = failure.message();
    } catch (const std::exception &e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown failure");
    }
    errorbox::show(errorbox::withFullStop(message));
    if (afterFailure)
        afterFailure();
}
