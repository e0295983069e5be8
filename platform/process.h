#pragma once

namespace platform {

// Whether the program runs with the system administrator's rights (root on
// Linux); the browser's sandbox cannot start then.
bool runsAsRoot();

} // namespace platform
