#include "platform/user_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool isUsable(const struct stat &info)
{
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

} // namespace

UserFileState userFileState(const std::string &path)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT ? UserFileState::Missing : UserFileState::Refused;
    return isUsable(info) ? UserFileState::Usable : UserFileState::Refused;
}

std::optional<std::string> readUserFile(const std::string &path, std::size_t maxBytes, bool *cut)
{
    // O_NONBLOCK: a FIFO of that name must not hold the program at start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !isUsable(info)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes(maxBytes + 1, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    ::close(fd);
    *cut = got > maxBytes;
    bytes.resize(std::min(got, maxBytes));
    return bytes;
}

bool replaceUserFile(const std::string &path, std::string_view bytes)
{
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", unsigned(random()));
        const std::string temporary = path + suffix;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const bool written = writeAll(fd, bytes);
        const bool closed = ::close(fd) == 0;
        if (written && closed && ::rename(temporary.c_str(), path.c_str()) == 0)
            return true;
        ::unlink(temporary.c_str());
        return false;
    }
    return false;
}

} // namespace platform
