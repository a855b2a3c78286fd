// The Windows file layer, checked on Windows (or under Wine), where no test
// framework is at hand: each group says "ok: ..." or the lines that failed,
// and the exit code is the number of failed checks.
//   files_check WORK_FOLDER           every group, in a fresh folder there
//   files_check race ID COUNT         (a child: saves as the game does)
#include "platform/os/windows/system.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "../support/null_platform_in_use.h"
#include "base/data_folder.h"
#include "base/scores.h"
#include "platform/os/clock.h"
#include "platform/os/environment.h"
#include "platform/os/files.h"
#include "platform/os/windows/reparse.h"
#include "platform/os/windows/wide.h"

namespace {

int failures = 0;
int failuresBefore = 0;

#define CHECK(condition)                                                \
  do {                                                                  \
    if (!(condition)) {                                                 \
      std::printf("FAIL: %s:%d: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                       \
    }                                                                   \
  } while (0)

void Done(const char* group) {
  if (failures == failuresBefore) std::printf("ok: %s\n", group);
  failuresBefore = failures;
  std::fflush(stdout);
}

std::wstring Wide(const std::string& path) {
  std::wstring w;
  os::windows::ToWide(path, w);
  return w;
}

bool Write(const std::string& path, const std::string& text) {
  std::string error;
  return os::ReplaceFile(
      path,
      std::span(reinterpret_cast<const std::uint8_t*>(text.data()),
                text.size()),
      error);
}

std::string Read(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (os::ReadFile(path, 1 << 20, bytes) != platform::ReadResult::Read) {
    return "(unread)";
  }
  return std::string(bytes.begin(), bytes.end());
}

// The names in a folder, but for "." and "..".
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  const HANDLE find = ::FindFirstFileW(Wide(folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") {
      names.push_back(os::windows::ToUtf8(name));
    }
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// A symbolic link, where this system lets one be made (Windows wants the
// privilege or developer mode; Wine makes them). Empty when it could.
std::string MakeLink(const std::string& link, const std::string& target,
                     bool folder) {
  const DWORD flags = (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
                      0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  if (::CreateSymbolicLinkW(Wide(link).c_str(), Wide(target).c_str(), flags)) {
    return "";
  }
  return os::windows::ErrorText(::GetLastError());
}

void Replacing(const std::string& work) {
  const std::string folder = work + "\\replace";
  std::string error;
  CHECK(os::MakeFolders(folder, error));
  const std::string file = folder + "\\Score.dat";
  CHECK(Write(file, "first"));
  CHECK(Read(file) == "first");
  CHECK(Write(file, "second, longer"));
  CHECK(Read(file) == "second, longer");
  CHECK(Write(file, ""));
  CHECK(Read(file).empty());
  // Bytes as they are: no line end is translated.
  CHECK(Write(file, "a\nb\r\nc\x1a"));
  CHECK(Read(file) == "a\nb\r\nc\x1a");
  CHECK(Names(folder) == std::vector<std::string>{"Score.dat"});

  // A read-only file: Windows refuses to replace it (at once, and the file
  // is kept), Wine replaces it as POSIX does. Either way nothing is left
  // beside it.
  CHECK(::SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_READONLY));
  const ULONGLONG start = ::GetTickCount64();
  error.clear();
  if (!os::ReplaceFile(file, std::span<const std::uint8_t>(), error)) {
    CHECK(::GetTickCount64() - start < 900);
    CHECK(error.rfind("cannot replace it: ", 0) == 0);
    CHECK(Read(file) == "a\nb\r\nc\x1a");
  } else {
    CHECK(Read(file).empty());
  }
  ::SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
  CHECK(Names(folder) == std::vector<std::string>{"Score.dat"});

  // A folder in the way, or no folder to put it in.
  CHECK(os::MakeFolders(folder + "\\taken", error));
  error.clear();
  CHECK(!Write(folder + "\\taken", "x"));
  CHECK(!os::ReplaceFile(folder + "\\missing\\Score.dat",
                         std::span<const std::uint8_t>(), error));
  CHECK(error.rfind("cannot create its temporary file: ", 0) == 0);
  CHECK((Names(folder) == std::vector<std::string>{"Score.dat", "taken"}));

  // A file another program holds open for a moment (as a virus scanner
  // does) is replaced once it lets go.
  const HANDLE held =
      ::CreateFileW(Wide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  CHECK(held != INVALID_HANDLE_VALUE);
  std::thread release([held] {
    ::Sleep(200);
    ::CloseHandle(held);
  });
  CHECK(Write(file, "after the scanner"));
  release.join();
  CHECK(Read(file) == "after the scanner");
  CHECK((Names(folder) == std::vector<std::string>{"Score.dat", "taken"}));

  // Names in any language, and paths written either way.
  const std::string name = "Punkte \xC3\xBC\xE2\x9C\x93 \xE7\x82\xB9.dat";
  CHECK(Write(folder + "/" + name, "unicode"));
  CHECK(Read(folder + "\\" + name) == "unicode");
  const std::vector<std::string> names = Names(folder);
  CHECK(std::find(names.begin(), names.end(), name) != names.end());
  // Not UTF-8: no file can have that name.
  CHECK(!Write(folder + "\\bad\xFF.dat", "x"));
  std::vector<std::uint8_t> bytes;
  CHECK(os::ReadFile(folder + "\\bad\xFF.dat", 10, bytes) ==
        platform::ReadResult::Missing);

  // Past the old 260-character limit.
  std::string deep = work + "\\long";
  while (deep.size() < 300) deep += "\\a-folder-name-of-some-length";
  CHECK(os::MakeFolders(deep, error));
  CHECK(Write(deep + "\\Score.dat", "deep"));
  CHECK(Read(deep + "\\Score.dat") == "deep");
  Done(
      "atomic replace: written whole, bytes as they are, read-only and "
      "folders refused, a held file waited for, any name, long paths");
}

void Reading(const std::string& work) {
  using platform::ReadResult;
  const std::string folder = work + "\\read";
  std::string error;
  CHECK(os::MakeFolders(folder, error));
  std::vector<std::uint8_t> out{1, 2, 3};
  CHECK(os::ReadFile(folder + "\\none", 10, out) == ReadResult::Missing);
  CHECK(out.empty());
  CHECK(os::ReadFile(folder + "\\none\\deeper", 10, out) ==
        ReadResult::Missing);
  CHECK(os::ReadFile(folder, 10, out) == ReadResult::NotRegular);
  CHECK(Write(folder + "\\ten", "0123456789"));
  CHECK(os::ReadFile(folder + "\\ten", 4, out) == ReadResult::Read);
  CHECK(std::string(out.begin(), out.end()) == "0123");
  // Devices and pipes are never opened: a console would wait for a key.
  for (const char* device : {"NUL", "CON", "CONIN$", "\\\\.\\NUL"}) {
    CHECK(os::ReadFile(device, 10, out) == ReadResult::NotRegular);
    CHECK(!os::IsRegularFile(device));
  }
  CHECK(os::ReadFile(folder + "\\CON", 10, out) != ReadResult::Read);
  const HANDLE pipe = ::CreateNamedPipeW(
      L"\\\\.\\pipe\\tumblesquash-check", PIPE_ACCESS_INBOUND,
      PIPE_TYPE_BYTE | PIPE_WAIT, 1, 512, 512, 0, nullptr);
  CHECK(pipe != INVALID_HANDLE_VALUE);
  CHECK(os::ReadFile("\\\\.\\pipe\\tumblesquash-check", 10, out) ==
        ReadResult::NotRegular);
  ::CloseHandle(pipe);
  CHECK(os::IsRegularFile(folder + "\\ten"));
  CHECK(!os::IsFolder(folder + "\\ten"));
  CHECK(os::IsFolder(folder));
  CHECK(os::IsFolder(folder + "\\"));
  CHECK(os::Exists(folder + "\\ten"));
  CHECK(!os::Exists(folder + "\\none"));
  Done("reading: missing, folders, devices and pipes told apart; limits");
}

void Links(const std::string& work) {
  using platform::LockWait;
  using platform::ReadResult;
  const std::string folder = work + "\\links";
  std::string error;
  CHECK(os::MakeFolders(folder + "\\elsewhere", error));
  CHECK(Write(folder + "\\elsewhere\\Score.dat", "theirs"));
  std::string why = MakeLink(folder + "\\Score.dat",
                             folder + "\\elsewhere\\Score.dat", false);
  // (Wine's CreateSymbolicLinkW says yes and makes nothing.)
  const DWORD made = ::GetFileAttributesW(Wide(folder + "\\Score.dat").c_str());
  if (why.empty() && (made == INVALID_FILE_ATTRIBUTES ||
                      !(made & FILE_ATTRIBUTE_REPARSE_POINT))) {
    why = "none was made, though the system said so";
  }
  if (!why.empty()) {
    std::printf(
        "skipped: real links (this system makes no reparse point: "
        "%s)\n",
        why.c_str());
    return;
  }
  std::vector<std::uint8_t> out;
  // A link where a file is read is followed, unless it must not be.
  CHECK(os::ReadFile(folder + "\\Score.dat", 100, out) == ReadResult::Read);
  CHECK(std::string(out.begin(), out.end()) == "theirs");
  CHECK(os::ReadFile(folder + "\\Score.dat", 100, out, nullptr,
                     /*followLink=*/false) == ReadResult::NotRegular);
  // Where the links lead, relative or not, even to nothing; in circles, a
  // reason.
  std::string target;
  CHECK(os::FollowLinks(folder + "\\Score.dat", target, error));
  CHECK(os::IsRegularFile(target) && Read(target) == "theirs");
  CHECK(MakeLink(folder + "\\relative", "elsewhere\\Score.dat", false).empty());
  CHECK(MakeLink(folder + "\\twice", folder + "\\relative", false).empty());
  CHECK(os::FollowLinks(folder + "\\twice", target, error));
  // (Spelt as the system keeps an absolute link: its full path.)
  CHECK(target.size() > 19 &&
        target.compare(target.size() - 19, 19, "elsewhere\\Score.dat") == 0);
  CHECK(Read(target) == "theirs");
  CHECK(MakeLink(folder + "\\round", folder + "\\round", false).empty());
  CHECK(!os::FollowLinks(folder + "\\round", target, error));
  CHECK(error.find("links from") != std::string::npos);
  // A new file never takes a link's name, even one to nothing.
  CHECK(MakeLink(folder + "\\to-nothing", folder + "\\nothing", false).empty());
  CHECK(os::WriteNewFile(folder + "\\to-nothing",
                         std::span<const std::uint8_t>(),
                         error) == os::NewFileResult::Taken);
  CHECK(!os::Exists(folder + "\\nothing"));
  // The lock's own file as a link (to a file, or to nowhere) is refused,
  // and nothing is made where it points.
  CHECK(MakeLink(folder + "\\Score.dat.lock", folder + "\\elsewhere\\planted",
                 false)
            .empty());
  bool busy = true;
  CHECK(!os::LockFile(folder + "\\Score.dat", LockWait::No, busy, error));
  CHECK(!busy);
  CHECK(error.find("is not a regular file") != std::string::npos);
  CHECK(!os::Exists(folder + "\\elsewhere\\planted"));
  // A save puts its file in place of the link; the file the link pointed
  // to is untouched.
  CHECK(Write(folder + "\\Score.dat", "ours"));
  CHECK(Read(folder + "\\Score.dat") == "ours");
  CHECK(Read(folder + "\\elsewhere\\Score.dat") == "theirs");
  // A link still counts as something there; through a link to a folder,
  // a folder.
  CHECK(MakeLink(folder + "\\dangling", folder + "\\nowhere", false).empty());
  CHECK(os::Exists(folder + "\\dangling"));
  CHECK(!os::IsRegularFile(folder + "\\dangling"));
  CHECK(MakeLink(folder + "\\to-folder", folder + "\\elsewhere", true).empty());
  CHECK(os::IsFolder(folder + "\\to-folder"));
  CHECK(os::ReadFile(folder + "\\to-folder", 10, out) ==
        ReadResult::NotRegular);
  Done(
      "links (reparse points): followed for reading when asked, refused "
      "for locking, replaced by a save, never written through");
}

void Kinds() {
  using os::windows::Classify;
  using os::windows::Entry;
  const std::uint32_t reparse = FILE_ATTRIBUTE_REPARSE_POINT;
  CHECK(Classify(FILE_ATTRIBUTE_NORMAL, 0) == Entry::File);
  CHECK(Classify(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 0) ==
        Entry::File);
  CHECK(Classify(FILE_ATTRIBUTE_DIRECTORY, 0) == Entry::Folder);
  CHECK(Classify(FILE_ATTRIBUTE_DEVICE, 0) == Entry::Special);
  // Links of every kind: symbolic links, junctions, WSL's links; and a
  // reparse point whose tag could not be read.
  CHECK(Classify(reparse, IO_REPARSE_TAG_SYMLINK) == Entry::Link);
  CHECK(Classify(reparse | FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK) ==
        Entry::Link);
  CHECK(Classify(reparse | FILE_ATTRIBUTE_DIRECTORY,
                 IO_REPARSE_TAG_MOUNT_POINT) == Entry::Link);
  CHECK(Classify(reparse, 0xA000001Du) == Entry::Link);  // WSL's symlink
  CHECK(Classify(reparse, os::windows::kUnknownTag) == Entry::Link);
  // WSL's FIFOs, devices and sockets: not regular, as on Linux.
  for (std::uint32_t tag :
       {0x80000023u, 0x80000024u, 0x80000025u, 0x80000026u}) {
    CHECK(Classify(reparse, tag) == Entry::Special);
  }
  // The file's own data behind a reparse point: in the cloud (OneDrive),
  // deduplicated, compressed by the system.
  CHECK(Classify(reparse, 0x9000001Au) == Entry::File);  // a cloud file
  CHECK(Classify(reparse | FILE_ATTRIBUTE_DIRECTORY, 0x9000001Au) ==
        Entry::Folder);
  CHECK(Classify(reparse, IO_REPARSE_TAG_DEDUP) == Entry::File);
  CHECK(Classify(reparse, 0x80000017u) == Entry::File);  // WOF
  // The tag means nothing without the reparse point's attribute.
  CHECK(Classify(FILE_ATTRIBUTE_NORMAL, IO_REPARSE_TAG_SYMLINK) == Entry::File);
  Done(
      "kinds of entries: links and WSL's special files refused, files "
      "behind other reparse points read");
}

void Locking(const std::string& work) {
  using platform::LockWait;
  const std::string folder = work + "\\lock";
  std::string error;
  bool busy = false;
  CHECK(os::MakeFolders(folder, error));
  const std::string file = folder + "\\Score.dat";
  {
    auto lock = os::LockFile(file, LockWait::No, busy, error);
    CHECK(lock != nullptr && !busy);
    // Held by another handle (another instance). The frame loop's way: no
    // wait at all, told it is busy.
    os::Nanos start = os::MonotonicNow();
    CHECK(os::LockFile(file, LockWait::No, busy, error) == nullptr);
    CHECK(os::MonotonicNow() - start < os::kSecond / 2);
    CHECK(busy);
    CHECK(error.find("another instance is saving it") != std::string::npos);
    // A save on the way out: waited for a while, then given up, busy.
    start = os::MonotonicNow();
    busy = false;
    CHECK(os::LockFile(file, LockWait::AFewSeconds, busy, error) == nullptr);
    const os::Nanos waited = os::MonotonicNow() - start;
    CHECK(waited >= 4 * os::kSecond && waited < 30 * os::kSecond);
    CHECK(busy);
    CHECK(error.find("another instance has held") != std::string::npos);
    // Let go after a moment: taken then.
    std::thread later([&lock] {
      ::Sleep(300);
      lock.reset();
    });
    auto second = os::LockFile(file, LockWait::AFewSeconds, busy, error);
    CHECK(second != nullptr && !busy);
    later.join();
  }
  // Released with its holder; the lock file stays.
  CHECK(os::LockFile(file, LockWait::No, busy, error) != nullptr);
  CHECK(os::IsRegularFile(file + ".lock"));
  CHECK(os::MakeFolders(folder + "\\Folder.dat.lock", error));
  CHECK(os::LockFile(folder + "\\Folder.dat", LockWait::AFewSeconds, busy,
                     error) == nullptr);
  CHECK(!busy);
  CHECK(error.find("is not a regular file") != std::string::npos);
  Done(
      "lock: exclusive between handles, busy at once or after a bounded "
      "wait, released with its holder, a folder in its place refused");
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return std::span(reinterpret_cast<const std::uint8_t*>(text.data()),
                   text.size());
}

void NewFiles(const std::string& work) {
  using os::NewFileResult;
  const std::string folder = work + "\\new";
  std::string error;
  CHECK(os::MakeFolders(folder + "\\a-folder", error));
  const std::string file = folder + "\\shot.png";
  CHECK(os::WriteNewFile(file, Bytes("first"), error) ==
        NewFileResult::Written);
  CHECK(Read(file) == "first");
  // Never in place of anything: a file, a folder.
  CHECK(os::WriteNewFile(file, Bytes("second"), error) == NewFileResult::Taken);
  CHECK(Read(file) == "first");
  CHECK(os::WriteNewFile(folder + "\\a-folder", Bytes("x"), error) ==
        NewFileResult::Taken);
  CHECK(os::IsFolder(folder + "\\a-folder"));
  CHECK(os::WriteNewFile("NUL", Bytes("x"), error) == NewFileResult::Taken);
  // No folder to put it in: a reason.
  error.clear();
  CHECK(os::WriteNewFile(folder + "\\missing\\shot.png", Bytes("x"), error) ==
        NewFileResult::Failed);
  CHECK(error.rfind("cannot create its temporary file: ", 0) == 0);
  // Two writers racing for the same names: each name goes to exactly one,
  // whole, and the other is told it is taken.
  constexpr int kNames = 40;
  std::atomic<int> written[2] = {0, 0};
  auto writer = [&](int id) {
    std::string why;
    for (int i = 0; i < kNames; ++i) {
      const std::string name = folder + "\\race-" + std::to_string(i);
      const std::string text(1000 + i, static_cast<char>('a' + id));
      const NewFileResult r = os::WriteNewFile(name, Bytes(text), why);
      written[id] += r == NewFileResult::Written;
      if (r == NewFileResult::Failed) std::printf("  (%s)\n", why.c_str());
    }
  };
  std::thread other(writer, 1);
  writer(0);
  other.join();
  CHECK(written[0] + written[1] == kNames);
  int whole = 0;
  for (int i = 0; i < kNames; ++i) {
    const std::string text = Read(folder + "\\race-" + std::to_string(i));
    whole += text == std::string(1000 + i, 'a') ||
             text == std::string(1000 + i, 'b');
  }
  CHECK(whole == kNames);
  // Nothing left beside.
  CHECK(Names(folder).size() == 2 + kNames);
  std::printf("  (names won in the race: %d and %d)\n", written[0].load(),
              written[1].load());
  Done(
      "new files: never in place of a file, a folder or a device; one "
      "writer per name; nothing left beside");
}

// A file as a save killed in the middle leaves it, `age` seconds old.
void Leave(const std::string& path, int age) {
  CHECK(Write(path, "cut short"));
  const HANDLE h = ::CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  CHECK(h != INVALID_HANDLE_VALUE);
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER when;
  when.LowPart = now.dwLowDateTime;
  when.HighPart = now.dwHighDateTime;
  when.QuadPart -= static_cast<ULONGLONG>(age) * 10'000'000;
  FILETIME then{when.LowPart, when.HighPart};
  CHECK(::SetFileTime(h, nullptr, nullptr, &then));
  ::CloseHandle(h);
}

void Leftovers(const std::string& work) {
  const std::string folder = work + "\\leftovers";
  std::string error;
  CHECK(os::MakeFolders(folder, error));
  Leave(folder + "\\Score.dat.tmp-123-0123abcd", 120);
  Leave(folder + "\\Score.dat.tmp-9-ffffffff", 3600);
  // Kept: a save still under way, what is not our name, another file's.
  Leave(folder + "\\Score.dat.tmp-77-00000000", 5);
  Leave(folder + "\\Score.dat.tmp-123-0123abc", 120);
  Leave(folder + "\\Score.dat.tmp-x-0123abcd", 120);
  Leave(folder + "\\settings.conf.tmp-123-0123abcd", 120);
  Leave(folder + "\\Score.dat", 120);
  CHECK(os::MakeFolders(folder + "\\Score.dat.tmp-1-22222222", error));
  CHECK(os::RemoveStaleTemporaries(folder, "Score.dat") == 2);
  CHECK((Names(folder) ==
         std::vector<std::string>{
             "Score.dat", "Score.dat.tmp-1-22222222",
             "Score.dat.tmp-123-0123abc", "Score.dat.tmp-77-00000000",
             "Score.dat.tmp-x-0123abcd", "settings.conf.tmp-123-0123abcd"}));
  CHECK(os::RemoveStaleTemporaries(folder, "Score.dat") == 0);
  CHECK(os::RemoveStaleTemporaries(folder + "\\none", "Score.dat") == 0);
  CHECK(os::RemoveStaleTemporaries(folder, "*") == 0);
  CHECK(os::RemoveStaleTemporaries(folder + "\\", "settings.conf") == 1);
  Done(
      "leftovers of killed saves: only ours, only files, only the old, "
      "removed");
}

void ReadOnly(const std::string& work) {
  const std::string folder = work + "\\read-only";
  std::string error;
  CHECK(os::MakeFolders(folder, error));
  const std::string file = folder + "\\settings.conf";
  CHECK(!os::IsReadOnly(file));
  CHECK(Write(file, "x"));
  CHECK(!os::IsReadOnly(file));
  os::FileFacts facts;
  std::vector<std::uint8_t> out;
  CHECK(os::ReadFile(file, 10, out, &facts) == platform::ReadResult::Read);
  CHECK(!facts.readOnly && !facts.privateFile);
  CHECK(::SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_READONLY));
  CHECK(os::IsReadOnly(file));
  CHECK(os::ReadFile(file, 10, out, &facts) == platform::ReadResult::Read);
  CHECK(facts.readOnly);
  ::SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
  CHECK(!os::IsReadOnly(file));
  // A folder's read-only mark means something else on Windows.
  CHECK(::SetFileAttributesW(Wide(folder).c_str(), FILE_ATTRIBUTE_READONLY));
  CHECK(!os::IsReadOnly(folder));
  ::SetFileAttributesW(Wide(folder).c_str(), FILE_ATTRIBUTE_NORMAL);
  // With no link on the way, a path leads to itself, there or not.
  std::string target;
  CHECK(os::FollowLinks(file, target, error) && target == file);
  CHECK(os::FollowLinks(folder + "\\none", target, error) &&
        target == folder + "\\none");
  Done("read-only files told by their attribute; paths without links");
}

struct Child {
  PROCESS_INFORMATION process{};
  bool started = false;
};

Child Start(const std::string& command, const std::string& folder) {
  Child child;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring line = Wide(command);
  child.started =
      ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, Wide(folder).c_str(), &startup, &child.process);
  return child;
}

DWORD Wait(Child& child) {
  if (!child.started) return 255;
  ::WaitForSingleObject(child.process.hProcess, 120000);
  DWORD code = 255;
  ::GetExitCodeProcess(child.process.hProcess, &code);
  ::CloseHandle(child.process.hProcess);
  ::CloseHandle(child.process.hThread);
  return code;
}

void TwoInstances(const std::string& work, const std::string& self) {
  const std::string folder = work + "\\race";
  std::string error;
  CHECK(os::MakeFolders(folder, error));
  const int count = 60;
  Child first =
      Start("\"" + self + "\" race 0 " + std::to_string(count), folder);
  Child second =
      Start("\"" + self + "\" race 1 " + std::to_string(count), folder);
  CHECK(first.started && second.started);
  // Meanwhile every record read is one whole record of one instance.
  int reads = 0, torn = 0;
  for (;;) {
    const bool running =
        ::WaitForSingleObject(first.process.hProcess, 0) == WAIT_TIMEOUT ||
        ::WaitForSingleObject(second.process.hProcess, 0) == WAIT_TIMEOUT;
    std::vector<std::uint8_t> bytes;
    if (os::ReadFile(folder + "\\Score.dat", 200, bytes) ==
        platform::ReadResult::Read) {
      ++reads;
      base::ResetScores();
      base::DecodeScoreFile(bytes.data(), bytes.size());
      // Each instance's settings are its number; the first file made holds
      // the defaults (2 and 1).
      const bool one = base::DetailLevel == base::Difficulty ||
                       (base::DetailLevel == 2 && base::Difficulty == 1);
      torn += base::EncodeScoreFile() != bytes || !one;
    }
    if (!running) break;
    ::Sleep(1);
  }
  CHECK(Wait(first) == 0);
  CHECK(Wait(second) == 0);
  CHECK(torn == 0);
  CHECK(reads > 0);
  // At the end, the ten best of both: no score lost.
  std::vector<std::uint8_t> bytes;
  CHECK(os::ReadFile(folder + "\\Score.dat", 200, bytes) ==
        platform::ReadResult::Read);
  base::ResetScores();
  base::DecodeScoreFile(bytes.data(), bytes.size());
  for (int i = 0; i < 10; ++i) {
    CHECK(base::HighScores[i] == u32(1000 + 2 * count - 1 - i));
  }
  // Nothing left beside but the lock's file.
  CHECK((Names(folder) ==
         std::vector<std::string>{"Score.dat", "Score.dat.lock"}));
  std::printf("  (%d reads while two instances saved %d times each)\n", reads,
              count);
  Done("two instances saving together: no torn record, no lost score");
}

// A child of TwoInstances: saves as the game does. A save that finds the
// other instance saving is put off (and said so; not here: the check's own
// output would drown in it), and what is left goes in as the game ends.
int Race(int id, int count) {
  std::freopen("NUL", "w", stderr);
  testsupport::NullPlatformInUse files;
  base::SetScoreFilePath("Score.dat");
  base::LoadScores();
  base::DetailLevel = base::Difficulty = static_cast<u8>(id);
  base::BonusMode = static_cast<u32>(id);
  for (int i = 0; i < count; ++i) {
    base::RecordTotal(1000 + id + 2 * i);
    base::SaveScores();
    ::Sleep(static_cast<DWORD>((i * 7 + id * 3) % 3));
  }
  return base::FinishScores() ? 0 : 1;
}

void Folders(const std::string& work) {
  std::string error;
  // Either slash, repeated, and a trailing one.
  CHECK(os::MakeFolders(work + "\\made/one\\\\two/", error));
  CHECK(os::IsFolder(work + "\\made\\one\\two"));
  // Already there: fine. A file in the way: a reason.
  CHECK(os::MakeFolders(work + "\\made\\one", error));
  CHECK(Write(work + "\\made\\file", "x"));
  CHECK(!os::MakeFolders(work + "\\made\\file\\below", error));
  CHECK(!error.empty());
  // From a drive's root.
  CHECK(os::MakeFolders("C:\\", error));
  CHECK(base::FolderOf("C:\\Score.dat") == "C:\\");
  CHECK(base::FolderOf("C:\\a\\b/Score.dat") == "C:\\a\\b");
  CHECK(base::JoinPath("C:\\a", "b") == "C:\\a\\b");
  CHECK(base::JoinPath("C:/a/", "b") == "C:/a/b");
  CHECK(base::NameOf("C:\\a/b\\Score.dat") == "Score.dat");
  CHECK(base::NameOf("C:/a/Score.dat") == "Score.dat");
  CHECK(base::NameOf("Score.dat") == "Score.dat");

  // The player's folders, from what the process was started with.
  os::FileEnvironment env;
  env.appData = "C:\\Users\\Ana\\AppData\\Roaming";
  env.picturesFolder = "D:\\Bilder";
  CHECK(os::UserDataFolder(env) ==
        "C:\\Users\\Ana\\AppData\\Roaming\\TumbleSquash");
  CHECK(os::UserConfigFolder(env) == os::UserDataFolder(env));
  CHECK(os::ScreenshotFolder(env) == "D:\\Bilder\\TumbleSquash");
  env = {};
  env.home = "C:\\Users\\Ana";
  CHECK(os::UserDataFolder(env) ==
        "C:\\Users\\Ana\\AppData\\Roaming\\TumbleSquash");
  CHECK(os::ScreenshotFolder(env) ==
        "C:\\Users\\Ana\\AppData\\Roaming\\TumbleSquash\\screenshots");
  CHECK(os::UserDataFolder(os::FileEnvironment{}).empty());

  // This process's: %APPDATA% as set, the program's own folder.
  ::SetEnvironmentVariableW(L"APPDATA", L"C:\\Sp\u00e4ter");
  CHECK(os::Variable("APPDATA") == "C:\\Sp\xC3\xA4ter");
  env = os::CurrentFileEnvironment(nullptr);
  CHECK(env.appData == "C:\\Sp\xC3\xA4ter");
  ::SetEnvironmentVariableW(L"APPDATA", L"relative\\is\\ignored");
  env = os::CurrentFileEnvironment(nullptr);
  CHECK(env.appData.size() > 3 && env.appData[1] == ':');
  CHECK(!env.picturesFolder.empty());
  CHECK(os::IsFolder(env.executableFolder));
  CHECK(os::IsRegularFile(env.executableFolder + "\\files_check.exe"));
  CHECK(os::IsFolder(env.workingFolder));
  CHECK(env.installedDataFolder.empty());
  CHECK(os::Variable("TUMBLESQUASH_SURELY_UNSET").empty());
  Done(
      "folders: made with either slash, a file in the way refused; the "
      "player's folders from %APPDATA% and Pictures");
}

void Clocks() {
  // Never early, and asleep while it waits: the processor time of a
  // third of a second of waiting in 10 ms steps is a small part of it.
  const os::Nanos cpuBefore = os::ProcessCpuTime();
  const os::Nanos start = os::MonotonicNow();
  os::Nanos when = start;
  bool early = false;
  for (int i = 0; i < 33; ++i) {
    when += 10'000'000;
    os::SleepUntil(when);
    early = early || os::MonotonicNow() < when;
  }
  const os::Nanos cpu = os::ProcessCpuTime() - cpuBefore;
  CHECK(!early);
  CHECK(cpu < 100'000'000);
  std::printf("  (330 ms of waits: %.1f ms of processor time, %.1f ms late)\n",
              cpu / 1e6, (os::MonotonicNow() - when) / 1e6);
  os::SleepUntil(start);  // in the past: at once
  CHECK(os::ThreadCpuTime() >= 0);
  CHECK(os::UnixMilliseconds() / 1000 - os::CalendarSeconds() <= 1);
  Done("clocks: waits never end early and do not spin");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "race") {
    return Race(std::atoi(argv[2]), std::atoi(argv[3]));
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: files_check WORK_FOLDER\n");
    return 2;
  }
  os::PrepareProcess();
  std::string work = argv[1];
  std::string error;
  if (!os::MakeFolders(work, error)) {
    std::fprintf(stderr, "files_check: %s\n", error.c_str());
    return 2;
  }
  // A fresh folder of its own inside.
  work += "\\check-" + std::to_string(::GetCurrentProcessId());
  if (!os::MakeFolders(work, error)) {
    std::fprintf(stderr, "files_check: %s\n", error.c_str());
    return 2;
  }
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  Replacing(work);
  Reading(work);
  Kinds();
  Links(work);
  Locking(work);
  NewFiles(work);
  Leftovers(work);
  ReadOnly(work);
  TwoInstances(work, os::windows::ToUtf8(self, std::wcslen(self)));
  Folders(work);
  Clocks();
  std::printf("%d failed\n", failures);
  return failures;
}
