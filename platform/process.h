#pragma once

#include <cstdint>

namespace platform {

// Whether the program runs with the system administrator's rights (root on
// Linux); the browser's sandbox cannot start then.
bool runsAsRoot();

// Whether a process of this user with that id still runs.
bool processRunning(std::int64_t pid);
// Ends a process of this user at once (the browser engine's renderer of a
// page that has been replaced and does not end by itself).
void endProcess(std::int64_t pid);

} // namespace platform
