// The operating system's files, behind one interface: POSIX here, Windows
// beside it; the build picks one. Everything above this layer is portable.
//
// Paths are UTF-8 strings; a layer converts them at its edge if its system
// wants something else.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/platform.h"

namespace os {

using platform::FileLock;
using platform::ReadResult;

// Reads a regular file into `out`, as far as its first `limit` bytes.
// Anything else (a pipe, a folder, a device, a reparse point on Windows) is
// refused before it is opened, so no file can make the game wait.
ReadResult ReadFile(const std::string& path, std::size_t limit,
                    std::vector<std::uint8_t>& out);

// Puts `bytes` in place of the file in one step: a temporary file beside
// it, made exclusively under a fresh name and never through a link, written
// and flushed to the disk, then renamed over the old one, and the folder
// synced. False with a short reason when it could not; the old file is then
// untouched and nothing is left beside it.
bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                 std::string& error);

// An exclusive lock on the file `path` + ".lock", honoured by every instance
// of the game on this machine. Waits a little for it; null with a short
// reason when it cannot be had.
std::unique_ptr<FileLock> LockFile(const std::string& path, std::string& error);

// Makes `path` and its missing parents (new ones private to the player).
bool MakeFolders(const std::string& path, std::string& error);

// Anything at all at `path`, even a link to nowhere.
bool Exists(const std::string& path);
// A regular file (through links).
bool IsRegularFile(const std::string& path);
// A folder (through links).
bool IsFolder(const std::string& path);

// The process as a game wants it: a write past a file-size limit fails
// instead of ending the program. Called once, early.
void PrepareProcess();

}  // namespace os
