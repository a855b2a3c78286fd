// Saves Score.dat the way the game does, for the fault-injection tests to
// kill, limit, starve and race:
//   score_saver loop FROM      says "ready" once loaded, then records FROM+1,
//                              FROM+2, ... saving after each and saying
//                              "saved N" once N is saved
//   score_saver race ID COUNT  COUNT totals of its own (1000 + ID, then up by
//                              2), its settings all ID, a save after each
//                              (those that found the other saving are put
//                              off: "put off N"), then the game's end; the
//                              exit code is 1 when anything stayed unsaved
//   score_saver once TOTAL (--fsize BYTES | --mount ro|full)
//                              one total, saved under a file-size limit, or
//                              in a read-only or full folder of its own (a
//                              small file system mounted where only this
//                              process sees it; where that cannot be had,
//                              the same faults come through the file seam)
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "../support/faulty_platform.h"
#include "../support/null_platform_in_use.h"
#include "base/scores.h"

namespace fs = std::filesystem;

namespace {

void Say(const std::string& line) {
  const std::string text = line + "\n";
  if (::write(1, text.data(), text.size()) < 0) std::exit(3);
}

std::string Bytes(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

bool WriteText(const char* path, const std::string& text) {
  const int fd = ::open(path, O_WRONLY);
  if (fd < 0) return false;
  const bool ok = ::write(fd, text.data(), text.size()) ==
                  static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok;
}

// A mount namespace of this process's own, where it is root: as a normal
// user through a user namespace, as root (without one) directly.
bool OwnMounts() {
  const uid_t uid = ::getuid();
  const gid_t gid = ::getgid();
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
    WriteText("/proc/self/setgroups", "deny");
    if (!WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
      return false;
    }
  } else if (::unshare(CLONE_NEWNS) != 0) {
    return false;
  }
  return ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Moves into folder "m", a tiny file system holding a copy of Score.dat, its
// lock file (left by an earlier save) and, for "full", filler to the brim.
// False when no mount could be made.
bool FaultyFolder(const std::string& kind) {
  const std::string old = Bytes(base::kScoreFileName);
  fs::create_directory("m");
  if (!OwnMounts() ||
      ::mount("tmpfs", "m", "tmpfs", 0, "size=16k,mode=0755") != 0) {
    return false;
  }
  std::ofstream("m/Score.dat", std::ios::binary) << old;
  std::ofstream("m/Score.dat.lock");
  if (kind == "full") {
    std::ofstream filler("m/filler", std::ios::binary);
    const std::string block(512, 'x');
    while (filler.write(block.data(), block.size())) {
    }
  }
  if (::chdir("m") != 0) return false;
  if (kind == "ro" &&
      ::mount("tmpfs", ".", "tmpfs", MS_REMOUNT | MS_RDONLY, "size=16k") != 0) {
    return false;
  }
  return true;
}

int Once(int argc, char** argv) {
  const int total = std::atoi(argv[2]);
  const std::string how = argc > 4 ? argv[3] : "";
  const std::string what = argc > 4 ? argv[4] : "";
  std::unique_ptr<testsupport::NullPlatformInUse> real;
  std::unique_ptr<testsupport::FaultyPlatform> simulated;
  if (how == "--mount" && !FaultyFolder(what)) {
    // No mount to be had here: the same fault through the file seam.
    simulated = std::make_unique<testsupport::FaultyPlatform>();
    simulated->replaceError = what == "ro"
                                  ? "cannot create its temporary file: "
                                    "Read-only file system"
                                  : "cannot write: No space left on device";
    Say("simulated");
  } else {
    real = std::make_unique<testsupport::NullPlatformInUse>();
  }
  const std::string before = Bytes(base::kScoreFileName);
  base::LoadScores();
  base::RecordTotal(total);
  if (how == "--fsize") {
    const rlim_t limit = std::strtoul(what.c_str(), nullptr, 10);
    const rlimit r{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &r);
  }
  Say(base::SaveScores() ? "saved" : "not saved");
  Say(Bytes(base::kScoreFileName) == before ? "file kept" : "file changed");
  for (const auto& e : fs::directory_iterator(".")) {
    const std::string name = e.path().filename().string();
    if (name != "Score.dat" && name != "Score.dat.lock" && name != "filler" &&
        name != "m") {
      Say("left behind: " + name);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "once" && argc > 2) return Once(argc, argv);
  testsupport::NullPlatformInUse files;
  base::LoadScores();
  if (mode == "loop" && argc > 2) {
    Say("ready");
    for (u32 n = static_cast<u32>(std::atol(argv[2])) + 1;; ++n) {
      base::RecordTotal(static_cast<i32>(n));
      base::DetailLevel = static_cast<u8>(n % 3);
      base::Difficulty = static_cast<u8>(n / 3 % 3);
      base::BonusMode = n;
      if (base::SaveScores()) Say("saved " + std::to_string(n));
    }
  }
  if (mode == "race" && argc > 3) {
    const int id = std::atoi(argv[2]);
    const int count = std::atoi(argv[3]);
    base::DetailLevel = base::Difficulty = static_cast<u8>(id);
    base::BonusMode = static_cast<u32>(id);
    int putOff = 0;
    // A moment between saves, as between two games: an instance saving
    // back to back would take the lock again before the other noticed.
    std::minstd_rand pause(static_cast<unsigned>(id + 1));
    for (int i = 0; i < count; ++i) {
      base::RecordTotal(1000 + id + 2 * i);
      putOff += !base::SaveScores();
      ::usleep(pause() % 2000);
    }
    // As the game ends: what the other one kept from us goes in now.
    Say("put off " + std::to_string(putOff));
    return base::FinishScores() ? 0 : 1;
  }
  std::fputs("usage: score_saver loop FROM | race ID COUNT | once TOTAL ...\n",
             stderr);
  return 2;
}
