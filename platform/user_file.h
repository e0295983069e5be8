#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A file that the program keeps for its user alone, in a directory that may
// hold anything: it is never followed through a link, never opened when it is
// not a regular file of this user, and never waited on.
namespace platform {

enum class UserFileState {
    Missing, // nothing of that name: it may be created
    Usable, // a regular file of this user
    Refused, // a link, a directory, a FIFO, a device, or another user's file
};

UserFileState userFileState(const std::string &path);

// At most `maxBytes` of a usable file; nothing when it is missing or refused.
// `cut` says whether the file held more.
std::optional<std::string> readUserFile(const std::string &path, std::size_t maxBytes, bool *cut);

// Writes a new file for this user alone beside `path` and renames it over
// `path`: a link of that name is replaced, never written through, and a reader
// sees the old content or the new, never a mix. False on failure, with
// nothing left behind.
bool replaceUserFile(const std::string &path, std::string_view bytes);

} // namespace platform
