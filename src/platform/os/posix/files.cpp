// The POSIX file layer.
#include "platform/os/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <new>
#include <random>

#include "base/data_folder.h"
#include "base/say.h"

namespace os {

namespace {

// How long a save on its way out waits for another instance to finish its
// own.
constexpr int kLockWaitMilliseconds = 5000;
// A temporary file this old was left by a program that was killed.
constexpr std::time_t kStaleSeconds = 60;
// Every temporary name is the file's own followed by this, the process and
// eight hexadecimal digits of chance.
constexpr char kTemporaryMark[] = ".tmp-";

std::string Reason(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

// Closing the descriptor ends the lock, whatever way the process goes.
class FlockHeld final : public FileLock {
 public:
  explicit FlockHeld(int fd) : fd_(fd) {}
  ~FlockHeld() override { ::close(fd_); }
  FlockHeld(const FlockHeld&) = delete;
  FlockHeld& operator=(const FlockHeld&) = delete;

 private:
  int fd_;
};

// A fresh name beside `path` for every file, made exclusively and never
// through a link: nothing planted beside the file can be written through,
// and two instances never share one. -1 with errno set when none could be
// made.
int CreateTemporary(const std::string& path, mode_t mode, std::string& temp) {
  static std::random_device entropy;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "%s%ld-%08x", kTemporaryMark,
                  static_cast<long>(::getpid()),
                  static_cast<unsigned>(entropy()));
    temp = path + suffix;
    const int fd =
        ::open(temp.c_str(),
               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes all of `bytes` and puts them on the disk; false with errno set.
bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  // On the disk before it takes the old file's place, or a power cut could
  // leave an empty file where the old one was.
  return ::fsync(fd) == 0;
}

// Writes the temporary file and closes it; on failure it is gone again.
bool FillTemporary(int fd, const std::string& temp,
                   std::span<const std::uint8_t> bytes, std::string& error) {
  const bool written = WriteAll(fd, bytes);
  const int err = errno;
  if (::close(fd) != 0 && written) {
    error = Reason("cannot write", errno);
  } else if (!written) {
    error = Reason("cannot write", err);
  } else {
    return true;
  }
  ::unlink(temp.c_str());
  return false;
}

// The rename itself lives in the folder. A folder that cannot be synced
// (some file systems refuse) does not undo what is already there.
void SyncFolder(const std::string& path) {
  const int folder =
      ::open(base::FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
}

// Gives `temp` the name `path` unless something is there already.
// 1: done, 0: the name is taken, -1: failed (errno set).
int RenameIfFree(const std::string& temp, const std::string& path) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(),
                  RENAME_NOREPLACE) == 0) {
    return 1;
  }
  if (errno == EEXIST) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
#endif
  // A second name made only where none is, then the first one dropped.
  if (::link(temp.c_str(), path.c_str()) != 0) {
    return errno == EEXIST ? 0 : -1;
  }
  ::unlink(temp.c_str());
  return 1;
}

// "<digits>-<eight hex digits>", what follows the mark in our names.
bool TemporaryTail(const char* tail) {
  const char* p = tail;
  while (*p >= '0' && *p <= '9') ++p;
  if (p == tail || *p != '-') return false;
  ++p;
  int hex = 0;
  for (; std::isxdigit(static_cast<unsigned char>(*p)); ++p) ++hex;
  return hex == 8 && *p == '\0';
}

void OutOfMemory() {
  static const char line[] = "tumblesquash: out of memory\n";
  const ssize_t ignored = ::write(2, line, sizeof line - 1);
  (void)ignored;
  ::_exit(2);
}

// Whatever ends the program unplanned (no memory left for a thread, an
// exception nothing caught) still ends it with one line.
void EndedUnplanned() {
  const char* what = "an unexpected error";
  if (const std::exception_ptr e = std::current_exception()) {
    try {
      std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
      OutOfMemory();
    } catch (const std::exception& x) {
      what = x.what();
    } catch (...) {
    }
  }
  std::fprintf(stderr, "%s: cannot go on: %s\n", base::kProgramName, what);
  std::fflush(stderr);
  ::_exit(2);
}

void HangUp(int) {
  // The orderly way out that SIGTERM takes (SDL turns it into a close
  // request, which saves); raise() is safe in a handler.
  std::raise(SIGTERM);
}

}  // namespace

void PrepareProcess() {
  // Past a file-size limit a write must fail (EFBIG) so the save can give
  // up cleanly, rather than the signal ending the game in the middle of it.
  std::signal(SIGXFSZ, SIG_IGN);
  // Likewise a line printed to a pipe whose reader has gone (EPIPE).
  std::signal(SIGPIPE, SIG_IGN);
  std::set_new_handler(OutOfMemory);
  std::set_terminate(EndedUnplanned);
}

void HangUpLikeTerminate() {
  struct sigaction action {};
  action.sa_handler = HangUp;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGHUP, &action, nullptr);
}

ReadResult ReadFile(const std::string& path, std::size_t limit,
                    std::vector<std::uint8_t>& out, FileFacts* facts,
                    bool followLink) {
  out.clear();
  const char* name = path.c_str();
  // Opening a pipe waits for a writer and a device may do anything: look
  // before opening.
  struct stat st;
  if ((followLink ? ::stat(name, &st) : ::lstat(name, &st)) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing
                                               : ReadResult::Unreadable;
  }
  if (!S_ISREG(st.st_mode)) return ReadResult::NotRegular;
  // Something else may have taken the name since: never wait, check again.
  const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC |
                                  (followLink ? 0 : O_NOFOLLOW));
  if (fd < 0) {
    if (errno == ELOOP) return ReadResult::NotRegular;  // a link, just made
    return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
  }
  ReadResult result = ReadResult::Read;
  if (::fstat(fd, &st) != 0) {
    result = ReadResult::Unreadable;
  } else if (!S_ISREG(st.st_mode)) {
    result = ReadResult::NotRegular;
  }
  if (facts) {
    facts->privateFile = (st.st_mode & S_IROTH) == 0;
    facts->readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  }
  std::uint8_t chunk[1 << 16];
  while (result == ReadResult::Read && out.size() < limit) {
    const std::size_t want = std::min(sizeof chunk, limit - out.size());
    const ssize_t n = ::read(fd, chunk, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result = ReadResult::Unreadable;
      break;
    }
    if (n == 0) break;
    out.insert(out.end(), chunk, chunk + n);
  }
  ::close(fd);
  if (result != ReadResult::Read) out.clear();
  return result;
}

bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                 std::string& error, NewFileAccess access) {
  // A file replaced keeps who may read and write it, and whose it is.
  struct stat old {};
  const bool replacing =
      ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  const mode_t mode = replacing                          ? old.st_mode & 07777
                      : access == NewFileAccess::Private ? 0600
                                                         : 0644;
  std::string temp;
  const int fd = CreateTemporary(path, mode, temp);
  if (fd < 0) {
    error = Reason("cannot create its temporary file", errno);
    return false;
  }
  if (replacing) {
    // Not narrowed by the umask: it is the old file's own.
    ::fchmod(fd, mode);
    struct stat now {};
    if (::fstat(fd, &now) == 0 &&
        (now.st_uid != old.st_uid || now.st_gid != old.st_gid)) {
      // Only an administrator may give a file away; others keep theirs.
      if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        ::fchmod(fd, mode & 0777);
      }
    }
  }
  if (!FillTemporary(fd, temp, bytes, error)) return false;
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    error = Reason("cannot replace it", err);
    return false;
  }
  SyncFolder(path);
  return true;
}

NewFileResult WriteNewFile(const std::string& path,
                           std::span<const std::uint8_t> bytes,
                           std::string& error, NewFileAccess access) {
  if (Exists(path)) return NewFileResult::Taken;
  std::string temp;
  const int fd = CreateTemporary(
      path, access == NewFileAccess::Private ? 0600 : 0644, temp);
  if (fd < 0) {
    error = Reason("cannot create its temporary file", errno);
    return NewFileResult::Failed;
  }
  if (!FillTemporary(fd, temp, bytes, error)) return NewFileResult::Failed;
  const int renamed = RenameIfFree(temp, path);
  if (renamed != 1) {
    const int err = errno;
    ::unlink(temp.c_str());
    if (renamed == 0) return NewFileResult::Taken;
    error = Reason("cannot name it", err);
    return NewFileResult::Failed;
  }
  SyncFolder(path);
  return NewFileResult::Written;
}

bool FollowLinks(const std::string& path, std::string& target,
                 std::string& error) {
  // As deep as the system itself follows.
  constexpr int kMostLinks = 40;
  target = path;
  for (int hop = 0; hop <= kMostLinks; ++hop) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      return true;
    }
    std::vector<char> to(
        static_cast<std::size_t>(std::max<off_t>(st.st_size, 255) + 1));
    const ssize_t n = ::readlink(target.c_str(), to.data(), to.size());
    if (n < 0 || static_cast<std::size_t>(n) >= to.size()) {
      error = Reason("cannot read the link \"" + target + "\"",
                     n < 0 ? errno : ENAMETOOLONG);
      return false;
    }
    const std::string next(to.data(), static_cast<std::size_t>(n));
    target =
        next[0] == '/' ? next : base::JoinPath(base::FolderOf(target), next);
  }
  error = Reason("links from \"" + path + "\"", ELOOP);
  return false;
}

std::unique_ptr<FileLock> LockFile(const std::string& path, LockWait wait,
                                   bool& busy, std::string& error) {
  busy = false;
  // A file of its own beside the one it guards: that one is replaced by
  // every save, and a lock on a replaced file guards nothing.
  const std::string lockName = path + ".lock";
  const int fd = ::open(
      lockName.c_str(),
      O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
      0644);
  if (fd < 0) {
    error = Reason("cannot open its lock file \"" + lockName + "\"", errno);
    return nullptr;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    error = "its lock file \"" + lockName + "\" is not a regular file";
    return nullptr;
  }
  // Another instance holds it only for the few milliseconds of its save;
  // one that holds it for seconds has stopped, and the game must not.
  const int patience =
      wait == LockWait::AFewSeconds ? kLockWaitMilliseconds : 0;
  for (int waited = 0;; ++waited) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      return std::make_unique<FlockHeld>(fd);
    }
    const int err = errno;
    if (err != EWOULDBLOCK && err != EINTR) {
      ::close(fd);
      error = Reason("cannot lock \"" + lockName + "\"", err);
      return nullptr;
    }
    if (waited >= patience) break;
    const timespec pause{0, 1'000'000};
    ::nanosleep(&pause, nullptr);
  }
  ::close(fd);
  busy = true;
  error = patience == 0
              ? "another instance is saving it (\"" + lockName + "\" is held)"
              : "another instance has held \"" + lockName + "\" for " +
                    std::to_string(kLockWaitMilliseconds / 1000) + " seconds";
  return nullptr;
}

int RemoveStaleTemporaries(const std::string& folder, const std::string& stem) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return 0;
  const std::time_t now = std::time(nullptr);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (name.compare(0, stem.size(), stem) != 0 || mark == std::string::npos ||
        mark < stem.size() ||
        !TemporaryTail(name.c_str() + mark + sizeof kTemporaryMark - 1)) {
      continue;
    }
    struct stat st {};
    if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        now - st.st_mtime < kStaleSeconds) {
      continue;
    }
    removed += ::unlinkat(::dirfd(dir), name.c_str(), 0) == 0;
  }
  ::closedir(dir);
  return removed;
}

bool MakeFolders(const std::string& path, std::string& error) {
  std::string sofar;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    sofar = path.substr(0, slash);
    at = slash + 1;
    if (sofar.empty()) continue;  // the root
    if (::mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST) {
      error = sofar + ": " + std::strerror(errno);
      return false;
    }
  }
  if (!IsFolder(path)) {
    error = path + ": not a folder";
    return false;
  }
  return true;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadOnly(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 &&
         (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace os
