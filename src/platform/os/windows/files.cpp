// The Windows file layer: the same promises as the POSIX one, kept with
// Windows' own means. Paths arrive as UTF-8 with '/' or '\' between their
// parts and are handed to the wide (UTF-16) functions. What counts as a link
// and what as a file: reparse.h.
#include "platform/os/files.h"

// clang-format off
#include "platform/os/windows/system.h"
#include <winioctl.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "base/say.h"
#include "platform/os/windows/reparse.h"
#include "platform/os/windows/wide.h"

namespace os {

namespace {

using windows::ErrorText;
using windows::LastError;

// How long a save waits for another instance to finish its own.
constexpr ULONGLONG kLockWaitMilliseconds = 5000;
// A virus scanner or an indexer may hold the file for a moment just when
// it is to be replaced: the rename is tried again for this long.
constexpr ULONGLONG kBusyRetryMilliseconds = 1000;
// A temporary file this old was left by a program that was killed (in the
// 100-nanosecond steps of FILETIME).
constexpr ULONGLONG kStaleTicks = 60ull * 10'000'000;
// Every temporary name is the file's own followed by this, the process and
// eight hexadecimal digits of chance: the same names as on POSIX.
constexpr char kTemporaryMark[] = ".tmp-";

constexpr DWORD kShareAll =
    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

using windows::Entry;

bool IsMissingError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH ||
         error == ERROR_BAD_NET_NAME || error == ERROR_INVALID_DRIVE ||
         error == ERROR_DIRECTORY;
}

// A path the wide functions take. Long absolute paths get the prefix that
// lifts the old 260-character limit. False for a name no file can have
// (not UTF-8, wildcards, empty).
bool WideName(const std::string& path, std::wstring& name) {
  if (path.empty() || !windows::ToWide(path, name)) return false;
  if (name.find_first_of(L"*?") != std::wstring::npos &&
      name.rfind(L"\\\\?\\", 0) != 0) {
    return false;
  }
  if (name.size() < MAX_PATH - 12 || name.rfind(L"\\\\", 0) == 0 ||
      name.rfind(L"//", 0) == 0) {
    return true;
  }
  const DWORD n = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (n == 0) return true;
  std::wstring full(n, L'\0');
  const DWORD got = ::GetFullPathNameW(name.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n) return true;
  full.resize(got);
  name = full.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + full.substr(2)
                                     : L"\\\\?\\" + full;
  return true;
}

// A name in the device namespace (a pipe, a serial port, CON, NUL): never
// a file, and opening one may do anything.
bool IsDeviceName(const std::wstring& name) {
  const DWORD n = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (n == 0) return false;
  std::wstring full(n, L'\0');
  const DWORD got = ::GetFullPathNameW(name.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n) return false;
  full.resize(got);
  if (full.rfind(L"\\\\.\\", 0) == 0) return true;
  if (full.rfind(L"\\\\?\\", 0) != 0) return false;
  const std::wstring rest = full.substr(4);
  const bool drive = rest.size() >= 2 && rest[1] == L':';
  return !drive && rest.rfind(L"UNC\\", 0) != 0;
}

// What is at `name` itself (a link is not followed).
struct Look {
  bool found = false;
  DWORD error = 0;  // when not found
  DWORD attributes = 0;
  DWORD tag = 0;  // the reparse tag, when it is a reparse point
  Entry What() const { return windows::Classify(attributes, tag); }
};

Look LookAt(const std::wstring& name) {
  Look look;
  look.attributes = ::GetFileAttributesW(name.c_str());
  if (look.attributes == INVALID_FILE_ATTRIBUTES) {
    look.error = ::GetLastError();
    return look;
  }
  look.found = true;
  if (look.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW(name.c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      look.tag = data.dwReserved0;
      ::FindClose(find);
    } else {
      look.tag = windows::kUnknownTag;
    }
  }
  return look;
}

// The open file's identity, to tell whether two handles are one file.
bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION x, y;
  return ::GetFileInformationByHandle(a, &x) &&
         ::GetFileInformationByHandle(b, &y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
         x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

enum class Opened { File, Missing, Failed, NotRegular };

// Opens a file itself, never through a link and never a folder or a device:
// checked again on the open handle, since the name may have changed hands
// between the look and the open. On Failed the last error says why.
Opened OpenNoLink(const std::wstring& name, DWORD access, DWORD disposition,
                  HANDLE& out) {
  out = INVALID_HANDLE_VALUE;
  if (IsDeviceName(name)) return Opened::NotRegular;
  HANDLE h = ::CreateFileW(
      name.c_str(), access, kShareAll, nullptr, disposition,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (IsMissingError(error)) return Opened::Missing;
    // A folder cannot be opened this way at all.
    const Look look = LookAt(name);
    if (look.found && look.What() != Entry::File) return Opened::NotRegular;
    ::SetLastError(error);
    return Opened::Failed;
  }
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (::GetFileType(h) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info,
                                      sizeof info) ||
      windows::Classify(info.FileAttributes, info.ReparseTag) != Entry::File) {
    ::CloseHandle(h);
    return Opened::NotRegular;
  }
  if (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // The file's data lies behind its reparse point: opened again the
    // ordinary way, and it must still be the same file.
    HANDLE data = ::CreateFileW(name.c_str(), access, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool same = data != INVALID_HANDLE_VALUE && SameFile(h, data);
    ::CloseHandle(h);
    if (!same) {
      if (data != INVALID_HANDLE_VALUE) ::CloseHandle(data);
      return Opened::NotRegular;
    }
    h = data;
  }
  out = h;
  return Opened::File;
}

// Closing the handle ends the lock, whatever way the process goes.
class HandleLock final : public FileLock {
 public:
  explicit HandleLock(HANDLE h) : h_(h) {}
  ~HandleLock() override { ::CloseHandle(h_); }
  HandleLock(const HandleLock&) = delete;
  HandleLock& operator=(const HandleLock&) = delete;

 private:
  HANDLE h_;
};

// Writes all of `bytes` and puts them on the disk; false with the last
// error set.
bool WriteAll(HANDLE h, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD want = static_cast<DWORD>(
        std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD wrote = 0;
    if (!::WriteFile(h, bytes.data() + done, want, &wrote, nullptr)) {
      return false;
    }
    if (wrote == 0) {
      ::SetLastError(ERROR_DISK_FULL);
      return false;
    }
    done += wrote;
  }
  // On the disk before it takes the old file's place, or a power cut could
  // leave an empty file where the old one was.
  return ::FlushFileBuffers(h);
}

// A fresh name beside `path` for every file, made exclusively and never
// through a link: nothing planted beside the file can be written through,
// and two instances never share one. The same names as on POSIX.
HANDLE CreateTemporary(const std::string& path, std::wstring& temp) {
  static std::random_device entropy;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "%s%lu-%08x", kTemporaryMark,
                  static_cast<unsigned long>(::GetCurrentProcessId()),
                  static_cast<unsigned>(entropy()));
    if (!WideName(path + suffix, temp)) {
      ::SetLastError(ERROR_INVALID_NAME);
      return INVALID_HANDLE_VALUE;
    }
    const HANDLE h = ::CreateFileW(
        temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

bool IsBusyError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

// What the name leads to once links are followed, and that entry's
// attributes; false when nothing.
bool Followed(const std::wstring& name, Entry& entry, DWORD& attributes) {
  if (IsDeviceName(name)) {
    entry = Entry::Special;
    attributes = FILE_ATTRIBUTE_DEVICE;
    return true;
  }
  const Look look = LookAt(name);
  if (!look.found) return false;
  entry = look.What();
  attributes = look.attributes;
  if (entry != Entry::Link) return true;
  const HANDLE h =
      ::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILE_ATTRIBUTE_TAG_INFO info{};
  const bool ok = ::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info,
                                                 sizeof info);
  if (ok) {
    entry = windows::Classify(info.FileAttributes, info.ReparseTag);
    attributes = info.FileAttributes;
  }
  ::CloseHandle(h);
  return ok;
}

bool Followed(const std::wstring& name, Entry& entry) {
  DWORD attributes;
  return Followed(name, entry, attributes);
}

// Opens the file a link leads to; it must be a regular file on a disk.
Opened OpenThroughLinks(const std::wstring& name, DWORD access, HANDLE& out) {
  out = ::CreateFileW(name.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (IsMissingError(error)) return Opened::Missing;
    Entry entry;
    if (Followed(name, entry) && entry != Entry::File) {
      return Opened::NotRegular;
    }
    ::SetLastError(error);
    return Opened::Failed;
  }
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (::GetFileType(out) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandleEx(out, FileAttributeTagInfo, &info,
                                      sizeof info) ||
      windows::Classify(info.FileAttributes, info.ReparseTag) != Entry::File) {
    ::CloseHandle(out);
    out = INVALID_HANDLE_VALUE;
    return Opened::NotRegular;
  }
  return Opened::File;
}

// Writes the temporary file and closes it; on failure it is gone again.
bool FillTemporary(HANDLE h, const std::wstring& temp,
                   std::span<const std::uint8_t> bytes, std::string& error) {
  const bool written = WriteAll(h, bytes);
  const DWORD writeError = ::GetLastError();
  ::CloseHandle(h);
  if (written) return true;
  ::DeleteFileW(temp.c_str());
  error = "cannot write: " + ErrorText(writeError);
  return false;
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

// The user this process runs as; null when it cannot be told.
std::vector<std::uint8_t> ProcessUser() {
  std::vector<std::uint8_t> user;
  HANDLE token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return user;
  }
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  user.resize(size);
  if (size == 0 ||
      !::GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
    user.clear();
  }
  ::CloseHandle(token);
  return user;
}

// Whether the file at `name` (no link: the caller looked) is owned by the
// user in `user` (from ProcessUser).
bool OwnedBy(const std::wstring& name, const std::vector<std::uint8_t>& user) {
  if (user.empty()) return false;
  DWORD size = 0;
  ::GetFileSecurityW(name.c_str(), OWNER_SECURITY_INFORMATION, nullptr, 0,
                     &size);
  std::vector<std::uint8_t> descriptor(size);
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  return size != 0 &&
         ::GetFileSecurityW(name.c_str(), OWNER_SECURITY_INFORMATION,
                            descriptor.data(), size, &size) &&
         ::GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) &&
         owner != nullptr &&
         ::EqualSid(owner,
                    reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
}

// The reparse point's own data, as the system keeps it (winioctl.h leaves
// this structure to the driver kit's headers).
struct ReparseData {
  DWORD tag;
  WORD length;
  WORD reserved;
  WORD substituteOffset;
  WORD substituteLength;
  WORD printOffset;
  WORD printLength;
  // Symbolic links have flags here; junctions go straight on to the names.
};
constexpr DWORD kSymlinkRelative = 1;  // SYMLINK_FLAG_RELATIVE

// Where one link leads, as written in it. False with a reason when it
// cannot be read or is of a kind that names no path.
bool ReadLink(const std::wstring& name, std::wstring& to, std::string& error) {
  const HANDLE h = ::CreateFileW(
      name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = ErrorText(::GetLastError());
    return false;
  }
  std::vector<std::uint8_t> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD got = 0;
  const bool read =
      ::DeviceIoControl(h, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &got, nullptr);
  const DWORD readError = ::GetLastError();
  ::CloseHandle(h);
  if (!read || got < sizeof(ReparseData)) {
    error = ErrorText(read ? ERROR_INVALID_DATA : readError);
    return false;
  }
  ReparseData head;
  std::memcpy(&head, buffer.data(), sizeof head);
  std::size_t names = sizeof head;
  bool relative = false;
  if (head.tag == IO_REPARSE_TAG_SYMLINK) {
    DWORD flags = 0;
    if (got < names + sizeof flags) {
      error = ErrorText(ERROR_INVALID_DATA);
      return false;
    }
    std::memcpy(&flags, buffer.data() + names, sizeof flags);
    relative = (flags & kSymlinkRelative) != 0;
    names += sizeof flags;
  } else if (head.tag != IO_REPARSE_TAG_MOUNT_POINT) {
    error = "a link of a kind this game does not follow";
    return false;
  }
  if (names + head.substituteOffset + head.substituteLength > got) {
    error = ErrorText(ERROR_INVALID_DATA);
    return false;
  }
  to.resize(head.substituteLength / sizeof(wchar_t));
  std::memcpy(to.data(), buffer.data() + names + head.substituteOffset,
              to.size() * sizeof(wchar_t));
  if (relative) return true;
  // The system's own spelling of a path: \??\C:\... or \??\UNC\server\...
  if (to.rfind(L"\\??\\UNC\\", 0) == 0) {
    to = L"\\\\" + to.substr(8);
  } else if (to.rfind(L"\\??\\", 0) == 0) {
    to = to.substr(4);
  }
  return true;
}

// Where the folders of `path` begin: after "C:/", "//server/share/" or the
// long-path prefix.
std::size_t RootLength(const std::string& path) {
  auto slash = [&](std::size_t i) {
    return i < path.size() && (path[i] == '/' || path[i] == '\\');
  };
  std::size_t at = 0;
  if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("//?/", 0) == 0) {
    at = 4;
    if (path.compare(at, 4, "UNC\\") == 0 || path.compare(at, 4, "UNC/") == 0) {
      at += 4;
      for (int parts = 0; parts < 2 && at < path.size(); ++parts) {
        while (at < path.size() && !slash(at)) ++at;
        if (slash(at)) ++at;
      }
      return at;
    }
  } else if (slash(0) && slash(1)) {
    at = 2;
    for (int parts = 0; parts < 2 && at < path.size(); ++parts) {
      while (at < path.size() && !slash(at)) ++at;
      if (slash(at)) ++at;
    }
    return at;
  }
  if (path.size() >= at + 2 && path[at + 1] == ':') at += 2;
  if (slash(at)) ++at;
  return at;
}

void OutOfMemory() {
  std::fputs("tumblesquash: out of memory\n", stderr);
  std::fflush(stderr);
  std::_Exit(2);
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
  std::_Exit(2);
}

// The console the game was started from is being closed: Windows' hang-up.
// Returning from here ends the process at once, so the game is asked to end
// as a request to terminate does (SDL turns SIGTERM into a close request,
// which saves) and this thread waits; the game's own exit ends it, or
// Windows does after its grace of five seconds. Ctrl+C and Ctrl+Break are
// left to the C library, which turns them into SIGINT as on Linux.
BOOL WINAPI ConsoleClosing(DWORD event) {
  if (event != CTRL_CLOSE_EVENT) return FALSE;
  std::raise(SIGTERM);
  ::Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void PrepareProcess() {
  // A drive without its disk must fail the way a missing file does, not
  // stop the game with a dialog asking for the disk. (A write past a size
  // limit or to a pipe nobody reads fails with an error here anyway.)
  ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS |
                 SEM_NOOPENFILEERRORBOX);
  std::set_new_handler(OutOfMemory);
  std::set_terminate(EndedUnplanned);
}

void HangUpLikeTerminate() { ::SetConsoleCtrlHandler(ConsoleClosing, TRUE); }

ReadResult ReadFile(const std::string& path, std::size_t limit,
                    std::vector<std::uint8_t>& out, FileFacts* facts,
                    bool followLink) {
  out.clear();
  std::wstring name;
  if (!WideName(path, name)) return ReadResult::Missing;
  // Look before opening: a folder or a device is never opened, nor a link
  // unless it is to be followed.
  if (IsDeviceName(name)) return ReadResult::NotRegular;
  const Look look = LookAt(name);
  if (!look.found) {
    return IsMissingError(look.error) ? ReadResult::Missing
                                      : ReadResult::Unreadable;
  }
  const bool link = look.What() == Entry::Link;
  if (link && !followLink) return ReadResult::NotRegular;
  if (!link && look.What() != Entry::File) return ReadResult::NotRegular;
  HANDLE h;
  switch (link ? OpenThroughLinks(name, GENERIC_READ, h)
               : OpenNoLink(name, GENERIC_READ, OPEN_EXISTING, h)) {
    case Opened::File:
      break;
    case Opened::Missing:
      return ReadResult::Missing;
    case Opened::NotRegular:
      return ReadResult::NotRegular;
    case Opened::Failed:
      return ReadResult::Unreadable;
  }
  if (facts) {
    // Who may read it is the folder's to say on Windows (a profile's
    // folders are the player's alone): nothing of it is carried over.
    FILE_BASIC_INFO basic{};
    facts->privateFile = false;
    facts->readOnly = ::GetFileInformationByHandleEx(h, FileBasicInfo, &basic,
                                                     sizeof basic) &&
                      (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  }
  ReadResult result = ReadResult::Read;
  std::uint8_t chunk[1 << 16];
  while (out.size() < limit) {
    const DWORD want =
        static_cast<DWORD>(std::min(sizeof chunk, limit - out.size()));
    DWORD got = 0;
    if (!::ReadFile(h, chunk, want, &got, nullptr)) {
      result = ReadResult::Unreadable;
      break;
    }
    if (got == 0) break;
    out.insert(out.end(), chunk, chunk + got);
  }
  ::CloseHandle(h);
  if (result != ReadResult::Read) out.clear();
  return result;
}

// New files take the permissions their folder hands down on Windows (the
// player's profile is theirs alone), so `access` asks nothing more here; a
// replaced file's attributes (hidden, say) are carried over.
bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                 std::string& error, NewFileAccess /*access*/) {
  std::wstring name;
  if (!WideName(path, name)) {
    error =
        "cannot create its temporary file: " + ErrorText(ERROR_INVALID_NAME);
    return false;
  }
  std::wstring temp;
  const HANDLE h = CreateTemporary(path, temp);
  if (h == INVALID_HANDLE_VALUE) {
    error = LastError("cannot create its temporary file");
    return false;
  }
  if (!FillTemporary(h, temp, bytes, error)) return false;
  const Look before = LookAt(name);
  if (before.found && before.What() == Entry::File) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (before.attributes & kKept) {
      ::SetFileAttributesW(temp.c_str(), before.attributes & kKept);
    }
  }
  // In one step, written through to the disk before it returns. A file
  // someone holds open for a moment is tried again for a while; a folder or
  // a read-only file in the way is not worth waiting for.
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    if (::MoveFileExW(temp.c_str(), name.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD moveError = ::GetLastError();
    const Look look = LookAt(name);
    const bool stuck =
        look.found && (look.What() == Entry::Folder ||
                       (look.attributes & FILE_ATTRIBUTE_READONLY) != 0);
    if (!IsBusyError(moveError) || stuck ||
        ::GetTickCount64() - start >= kBusyRetryMilliseconds) {
      ::DeleteFileW(temp.c_str());
      error = "cannot replace it: " + ErrorText(moveError);
      return false;
    }
    ::Sleep(10);
  }
}

NewFileResult WriteNewFile(const std::string& path,
                           std::span<const std::uint8_t> bytes,
                           std::string& error, NewFileAccess /*access*/) {
  std::wstring name;
  if (!WideName(path, name)) {
    error =
        "cannot create its temporary file: " + ErrorText(ERROR_INVALID_NAME);
    return NewFileResult::Failed;
  }
  // A device's name is always taken.
  if (IsDeviceName(name) || LookAt(name).found) return NewFileResult::Taken;
  std::wstring temp;
  const HANDLE h = CreateTemporary(path, temp);
  if (h == INVALID_HANDLE_VALUE) {
    error = LastError("cannot create its temporary file");
    return NewFileResult::Failed;
  }
  if (!FillTemporary(h, temp, bytes, error)) return NewFileResult::Failed;
  // Without MOVEFILE_REPLACE_EXISTING the name is given only where none is,
  // in one step: whatever came to hold it meanwhile stays.
  if (::MoveFileExW(temp.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH)) {
    return NewFileResult::Written;
  }
  const DWORD moveError = ::GetLastError();
  ::DeleteFileW(temp.c_str());
  if (moveError == ERROR_ALREADY_EXISTS || moveError == ERROR_FILE_EXISTS ||
      LookAt(name).found) {
    return NewFileResult::Taken;
  }
  error = "cannot name it: " + ErrorText(moveError);
  return NewFileResult::Failed;
}

bool FollowLinks(const std::string& path, std::string& target,
                 std::string& error) {
  // As deep as Windows itself follows.
  constexpr int kMostLinks = 63;
  target = path;
  for (int hop = 0; hop <= kMostLinks; ++hop) {
    std::wstring name;
    if (!WideName(target, name) || IsDeviceName(name)) return true;
    const Look look = LookAt(name);
    if (!look.found || look.What() != Entry::Link) return true;
    std::wstring to;
    std::string why;
    if (!ReadLink(name, to, why) || to.empty()) {
      error = "cannot read the link \"" + target +
              "\": " + (why.empty() ? ErrorText(ERROR_INVALID_DATA) : why);
      return false;
    }
    const std::string next = windows::ToUtf8(to);
    const bool absolute =
        next.rfind("\\\\", 0) == 0 || (next.size() >= 3 && next[1] == ':' &&
                                       (next[2] == '\\' || next[2] == '/'));
    if (absolute) {
      target = next;
    } else if (!next.empty() && (next[0] == '\\' || next[0] == '/')) {
      // From the root of the link's own drive.
      target = target.substr(0, RootLength(target)) + next.substr(1);
    } else {
      target = base::JoinPath(base::FolderOf(target), next);
    }
  }
  error =
      "links from \"" + path + "\": " + ErrorText(ERROR_CANT_RESOLVE_FILENAME);
  return false;
}

std::unique_ptr<FileLock> LockFile(const std::string& path, LockWait wait,
                                   bool& busy, std::string& error) {
  busy = false;
  // A file of its own beside the one it guards: that one is replaced by
  // every save, and a lock on a replaced file guards nothing.
  const std::string lockName = path + ".lock";
  std::wstring name;
  if (!WideName(lockName, name)) {
    error = "cannot open its lock file \"" + lockName +
            "\": " + ErrorText(ERROR_INVALID_NAME);
    return nullptr;
  }
  const Look look = LookAt(name);
  HANDLE h = INVALID_HANDLE_VALUE;
  const Opened opened = look.found && look.What() != Entry::File
                            ? Opened::NotRegular
                            : OpenNoLink(name, GENERIC_READ, OPEN_ALWAYS, h);
  if (opened == Opened::NotRegular) {
    error = "its lock file \"" + lockName + "\" is not a regular file";
    return nullptr;
  }
  if (opened != Opened::File) {
    error = LastError("cannot open its lock file \"" + lockName + "\"");
    return nullptr;
  }
  // Another instance holds it only for the few milliseconds of its save;
  // one that holds it for seconds has stopped, and the game must not.
  const ULONGLONG patience =
      wait == LockWait::AFewSeconds ? kLockWaitMilliseconds : 0;
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    OVERLAPPED at{};
    if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                     1, 0, &at)) {
      return std::make_unique<HandleLock>(h);
    }
    const DWORD lockError = ::GetLastError();
    if (lockError != ERROR_LOCK_VIOLATION && lockError != ERROR_IO_PENDING) {
      ::CloseHandle(h);
      error = "cannot lock \"" + lockName + "\": " + ErrorText(lockError);
      return nullptr;
    }
    if (::GetTickCount64() - start >= patience) break;
    ::Sleep(1);
  }
  ::CloseHandle(h);
  busy = true;
  error = patience == 0
              ? "another instance is saving it (\"" + lockName + "\" is held)"
              : "another instance has held \"" + lockName + "\" for " +
                    std::to_string(kLockWaitMilliseconds / 1000) + " seconds";
  return nullptr;
}

int RemoveStaleTemporaries(const std::string& folder, const std::string& stem) {
  std::wstring where, wideStem;
  if (!WideName(folder.empty() ? "." : folder, where) ||
      !windows::ToWide(stem, wideStem) ||
      wideStem.find_first_of(L"*?") != std::wstring::npos) {
    return 0;
  }
  if (where.back() != L'\\' && where.back() != L'/') where += L'\\';
  FILETIME nowTime;
  ::GetSystemTimeAsFileTime(&nowTime);
  const ULONGLONG now =
      (ULONGLONG{nowTime.dwHighDateTime} << 32) | nowTime.dwLowDateTime;
  WIN32_FIND_DATAW data;
  const HANDLE find =
      ::FindFirstFileExW((where + wideStem + L"*").c_str(), FindExInfoBasic,
                         &data, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return 0;
  // Another player's leftovers in a shared folder are theirs to remove.
  const std::vector<std::uint8_t> user = ProcessUser();
  int removed = 0;
  do {
    const std::string name = windows::ToUtf8(data.cFileName);
    const std::size_t mark = name.rfind(kTemporaryMark);
    // Only ours, exactly as spelt (the search itself ignores case), only
    // files, never through a link, only the old, and only this user's.
    const ULONGLONG written =
        (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    if (name.compare(0, stem.size(), stem) != 0 || mark == std::string::npos ||
        mark < stem.size() ||
        !TemporaryTail(name.c_str() + mark + sizeof kTemporaryMark - 1) ||
        (data.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
          FILE_ATTRIBUTE_DEVICE)) != 0 ||
        now < written || now - written < kStaleTicks) {
      continue;
    }
    const std::wstring path = where + data.cFileName;
    if (OwnedBy(path, user)) removed += ::DeleteFileW(path.c_str()) != 0;
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return removed;
}

bool MakeFolders(const std::string& path, std::string& error) {
  std::size_t at = RootLength(path);
  while (at <= path.size()) {
    std::size_t end = path.find_first_of("/\\", at);
    if (end == std::string::npos) end = path.size();
    const std::string sofar = path.substr(0, end);
    const bool empty = end == at;
    at = end + 1;
    if (empty) continue;
    std::wstring name;
    if (!WideName(sofar, name)) {
      error = sofar + ": " + ErrorText(ERROR_INVALID_NAME);
      return false;
    }
    if (!::CreateDirectoryW(name.c_str(), nullptr)) {
      const DWORD made = ::GetLastError();
      if (made != ERROR_ALREADY_EXISTS && !IsFolder(sofar)) {
        error = sofar + ": " + ErrorText(made);
        return false;
      }
    }
  }
  if (!IsFolder(path)) {
    error = path + ": not a folder";
    return false;
  }
  return true;
}

bool Exists(const std::string& path) {
  std::wstring name;
  return WideName(path, name) &&
         ::GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsRegularFile(const std::string& path) {
  std::wstring name;
  Entry entry;
  return WideName(path, name) && Followed(name, entry) && entry == Entry::File;
}

bool IsFolder(const std::string& path) {
  std::wstring name;
  Entry entry;
  return WideName(path, name) && Followed(name, entry) &&
         entry == Entry::Folder;
}

bool IsReadOnly(const std::string& path) {
  std::wstring name;
  Entry entry;
  DWORD attributes = 0;
  return WideName(path, name) && Followed(name, entry, attributes) &&
         entry == Entry::File && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace os

namespace os::windows {

Entry Classify(std::uint32_t attributes, std::uint32_t tag) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // Bit 29 of a tag marks a name surrogate: the entry stands for another.
    if (tag == kUnknownTag || (tag & 0x20000000u)) return Entry::Link;
    switch (tag) {
      case 0x80000023u:  // IO_REPARSE_TAG_AF_UNIX, a socket
      case 0x80000024u:  // IO_REPARSE_TAG_LX_FIFO
      case 0x80000025u:  // IO_REPARSE_TAG_LX_CHR, a character device
      case 0x80000026u:  // IO_REPARSE_TAG_LX_BLK, a block device
        return Entry::Special;
      default:
        break;
    }
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Entry::Folder;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return Entry::Special;
  return Entry::File;
}

}  // namespace os::windows
