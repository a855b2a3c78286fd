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
using platform::LockWait;
using platform::ReadResult;

// What a read learnt of the file besides its bytes.
struct FileFacts {
  bool privateFile = false;  // not everyone may read it
  bool readOnly = false;     // its permissions let nobody write it
};

// Reads a regular file into `out`, as far as its first `limit` bytes.
// Anything else (a pipe, a folder, a device, a reparse point on Windows) is
// refused before it is opened, so no file can make the game wait. Without
// `followLink`, a link at `path` is refused too (NotRegular), whatever it
// points to.
ReadResult ReadFile(const std::string& path, std::size_t limit,
                    std::vector<std::uint8_t>& out, FileFacts* facts = nullptr,
                    bool followLink = true);

// Who may read a file made anew. A file that is replaced keeps the
// permissions it had.
enum class NewFileAccess { Shared, Private };

// Puts `bytes` in place of the file in one step: a temporary file beside
// it, made exclusively under a fresh name and never through a link, written
// and flushed to the disk, then renamed over the old one, and the folder
// synced. False with a short reason when it could not; the old file is then
// untouched and nothing is left beside it. A link at `path` is replaced by
// the file (see FollowLinks for the other way).
bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                 std::string& error,
                 NewFileAccess access = NewFileAccess::Shared);

// Makes the file `path` with `bytes`, never in place of anything already
// there (a file, a link, anything): written under a temporary name first,
// so the name never holds a part of it, and removed again when anything
// fails. Taken when something came to hold the name first (the caller
// picks another).
enum class NewFileResult { Written, Taken, Failed };
NewFileResult WriteNewFile(const std::string& path,
                           std::span<const std::uint8_t> bytes,
                           std::string& error,
                           NewFileAccess access = NewFileAccess::Shared);

// The file that `path` names once every link on the way to it is followed
// (the path itself when it is no link); it need not exist. False with a
// short reason for links that go round in circles or too deep.
bool FollowLinks(const std::string& path, std::string& target,
                 std::string& error);

// An exclusive lock on the file `path` + ".lock", honoured by every instance
// of the game on this machine. Null with a short reason when it cannot be
// had; `busy` then tells that another instance holds it. With
// LockWait::AFewSeconds it waits up to five seconds for that instance.
std::unique_ptr<FileLock> LockFile(const std::string& path, LockWait wait,
                                   bool& busy, std::string& error);

// Removes what ReplaceFile and WriteNewFile leave behind when the program
// is killed in the middle: files in `folder` whose names begin with `stem`
// and end as this program's temporary names do, that belong to this user
// and are older than a minute (no save takes that long). The count removed.
int RemoveStaleTemporaries(const std::string& folder, const std::string& stem);

// Makes `path` and its missing parents (new ones private to the player).
bool MakeFolders(const std::string& path, std::string& error);

// Anything at all at `path`, even a link to nowhere.
bool Exists(const std::string& path);
// A regular file (through links).
bool IsRegularFile(const std::string& path);
// A folder (through links).
bool IsFolder(const std::string& path);
// A file (through links) whose permissions let nobody write it: the player
// made it read-only.
bool IsReadOnly(const std::string& path);

// The process as a game wants it: a write past a file-size limit fails
// instead of ending the program, so does a write to a pipe nobody reads any
// more; running out of memory ends it with one line of ours. Called once,
// early.
void PrepareProcess();

// The terminal going away (SIGHUP) ends the game as a request to terminate
// does, through the same orderly way out (which saves what is unsaved).
void HangUpLikeTerminate();

}  // namespace os
