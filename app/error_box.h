#pragma once

#include "base/failure.h"

#include <QString>

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
