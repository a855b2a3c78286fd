// The POSIX file layer.
#include "platform/os/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

#include "base/data_folder.h"

namespace os {

namespace {

// How long a save waits for another instance to finish its own.
constexpr int kLockWaitMilliseconds = 5000;

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

}  // namespace

void PrepareProcess() {
  // Past a file-size limit a write must fail (EFBIG) so the save can give
  // up cleanly, rather than the signal ending the game in the middle of it.
  std::signal(SIGXFSZ, SIG_IGN);
}

ReadResult ReadFile(const std::string& path, std::size_t limit,
                    std::vector<std::uint8_t>& out) {
  out.clear();
  const char* name = path.c_str();
  // Opening a pipe waits for a writer and a device may do anything: look
  // before opening.
  struct stat st;
  if (::stat(name, &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing
                                               : ReadResult::Unreadable;
  }
  if (!S_ISREG(st.st_mode)) return ReadResult::NotRegular;
  // Something else may have taken the name since: never wait, check again.
  const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
  }
  ReadResult result = ReadResult::Read;
  if (::fstat(fd, &st) != 0) {
    result = ReadResult::Unreadable;
  } else if (!S_ISREG(st.st_mode)) {
    result = ReadResult::NotRegular;
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
                 std::string& error) {
  // A fresh name for every save, made exclusively and never through a link:
  // nothing planted beside the file can be written through, and two
  // instances never share one.
  static std::random_device entropy;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%08x",
                  static_cast<long>(::getpid()),
                  static_cast<unsigned>(entropy()));
    temp = path + suffix;
    fd = ::open(temp.c_str(),
                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = Reason("cannot create its temporary file", errno);
    return false;
  }
  auto fail = [&](const char* what, int err) {
    ::close(fd);
    ::unlink(temp.c_str());
    error = Reason(what, err);
    return false;
  };
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail("cannot write", errno);
    if (n == 0) return fail("cannot write", ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  // On the disk before it takes the old file's place, or a power cut could
  // leave an empty file where the scores were.
  if (::fsync(fd) != 0) return fail("cannot write", errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    error = Reason("cannot write", err);
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    error = Reason("cannot replace it", err);
    return false;
  }
  // The rename itself lives in the folder. A folder that cannot be synced
  // (some file systems refuse) does not undo a save that is already there.
  const int folder =
      ::open(base::FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

std::unique_ptr<FileLock> LockFile(const std::string& path,
                                   std::string& error) {
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
    if (waited >= kLockWaitMilliseconds) break;
    const timespec pause{0, 1'000'000};
    ::nanosleep(&pause, nullptr);
  }
  ::close(fd);
  error = "another instance has held \"" + lockName + "\" for " +
          std::to_string(kLockWaitMilliseconds / 1000) + " seconds";
  return nullptr;
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

}  // namespace os
