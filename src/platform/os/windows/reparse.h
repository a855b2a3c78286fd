// What a file system entry is to the game, from its attributes and, for a
// reparse point, its tag. What POSIX calls a link, Windows calls a
// name-surrogate reparse point (a symbolic link, a junction, a mount point,
// a link made by WSL): refused wherever the POSIX layer refuses links.
// WSL's FIFOs, devices and sockets are what POSIX refuses as not regular.
// Any other reparse point (a file kept in the cloud, deduplicated,
// compressed) holds the file's own data and counts as what it holds.
#pragma once
#include <cstdint>

namespace os::windows {

enum class Entry { File, Folder, Link, Special };

// `tag` is read only for a reparse point; kUnknownTag when it could not be.
inline constexpr std::uint32_t kUnknownTag = 0xFFFFFFFFu;
Entry Classify(std::uint32_t attributes, std::uint32_t tag);

}  // namespace os::windows
