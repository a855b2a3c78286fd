// The real files with faults on demand, made current for the life of the
// object: a file that cannot be read (what a missing read permission gives a
// normal user; the suite runs as root, where permissions stop nothing) and
// replacements that fail as a full disk or a read-only folder make them.
#pragma once
#include <string>

#include "platform/system/null_platform.h"

namespace testsupport {

class FaultyPlatform : public platform::NullPlatform {
 public:
  FaultyPlatform() { platform::SetCurrent(this); }
  ~FaultyPlatform() override { platform::SetCurrent(nullptr); }
  FaultyPlatform(const FaultyPlatform&) = delete;
  FaultyPlatform& operator=(const FaultyPlatform&) = delete;

  std::string unreadable;    // this file reads as there but unreadable
  std::string replaceError;  // when set, every replacement fails with it
  int replaces = 0;          // replacements asked for

  platform::ReadResult ReadFile(const char* name, std::size_t limit,
                                std::vector<std::uint8_t>& out) override {
    if (name == unreadable) {
      out.clear();
      return platform::ReadResult::Unreadable;
    }
    return NullPlatform::ReadFile(name, limit, out);
  }
  bool ReplaceFile(const char* name, std::span<const std::uint8_t> bytes,
                   std::string& error) override {
    ++replaces;
    if (!replaceError.empty()) {
      error = replaceError;
      return false;
    }
    return NullPlatform::ReplaceFile(name, bytes, error);
  }
};

}  // namespace testsupport
