#include "platform/user_file.h"

#include <windows.h>

#include <random>
#include <vector>

namespace platform {

namespace {

std::wstring wide(const std::string &utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring text(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(), n);
    return text;
}

} // namespace

UserFileState userFileState(const std::string &path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? UserFileState::Missing : UserFileState::Refused;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
        return UserFileState::Refused;
    return UserFileState::Usable;
}

std::optional<std::string> readUserFile(const std::string &path, std::size_t maxBytes, bool *cut)
{
    if (userFileState(path) != UserFileState::Usable)
        return std::nullopt;
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes(maxBytes + 1, '\0');
    std::size_t got = 0;
    DWORD n = 0;
    while (got < bytes.size()
        && ReadFile(file, bytes.data() + got, DWORD(std::min<std::size_t>(bytes.size() - got, 1 << 20)), &n, nullptr)
        && n > 0)
        got += n;
    CloseHandle(file);
    *cut = got > maxBytes;
    bytes.resize(std::min(got, maxBytes));
    return bytes;
}

bool replaceUserFile(const std::string &path, std::string_view bytes)
{
    std::random_device random;
    const std::wstring temporary = wide(path + "." + std::to_string(random()));
    const HANDLE file
        = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    if (ok && MoveFileExW(temporary.c_str(), wide(path).c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileW(temporary.c_str());
    return false;
}

} // namespace platform
