#include "platform/process.h"

#include <windows.h>

namespace platform {

// The browser's sandbox runs for administrators on Windows too.
bool runsAsRoot()
{
    return false;
}

bool processRunning(std::int64_t pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return false;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

void endProcess(std::int64_t pid)
{
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid))) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

} // namespace platform
