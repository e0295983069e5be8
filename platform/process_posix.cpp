#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace platform {

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

bool processRunning(std::int64_t pid)
{
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
        return false;
    // An ended process that its parent has not reaped yet (a zombie) has
    // ended all the same; where /proc tells, it says so.
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%lld/stat", static_cast<long long>(pid));
    std::FILE *stat = std::fopen(path, "re");
    if (!stat)
        return true;
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    const char *end = read ? std::strrchr(line, ')') : nullptr;
    return !(end && end[1] == ' ' && end[2] == 'Z');
}

void endProcess(std::int64_t pid)
{
    if (pid > 0)
        ::kill(pid_t(pid), SIGKILL);
}

} // namespace platform
