#pragma once

#include "base/failure.h"

#include <QString>

#include <exception>
#include <functional>

namespace errorbox {

// A modal box with no title text, no icon and one OK button, owned by the
// active window; the text is shown as plain text. Returns when the user has
// closed it.
void show(const QString &text);

// Tests answer the box through this hook instead of a person: it receives the
// text that would be shown and the box is not opened.
void setTestHook(std::function<void(const QString &)> hook);

} // namespace errorbox

// Runs one event handler: a failure ends the handler, its message is shown in
// the error box, then `afterFailure` runs. No exception leaves this function,
// so none ever crosses Qt's event loop. True when the handler went through.
template <typename Handler> bool failureBoundary(Handler &&handler, const std::function<void()> &afterFailure = {})
{
    try {
        handler();
        return true;
    } catch (...) {
        errorbox::show(withFullStop(failureMessage(std::current_exception())));
    }
    if (afterFailure)
        afterFailure();
    return false;
}
