#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace platform {

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

bool processRunning(std::int64_t pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
}

void endProcess(std::int64_t pid)
{
    if (pid > 0)
        ::kill(pid_t(pid), SIGKILL);
}

} // namespace platform
