// The program's keys and options, written once: --help lists them, and the
// build makes the manual page's lists from them (tools/manpage), so the two
// cannot drift apart.
#pragma once
#include <cstdio>
#include <span>

namespace platform::usage {

struct Entry {
  const char* name;   // as typed: "--scale", "-h, --help", "Alt+Enter"
  const char* value;  // what follows it ("N", "FILE"), or ""
  const char* text;   // what it does, one paragraph
};

extern const std::span<const Entry> kKeys;
extern const std::span<const Entry> kOptions;
// The options that follow --headless.
extern const std::span<const Entry> kHeadlessOptions;
extern const std::span<const Entry> kEnvironment;

// As --help lists them: each name and value, and its text wrapped beside it
// within 79 columns.
void PrintEntries(std::FILE* to, std::span<const Entry> entries);
// As a manual page's tagged paragraphs.
void PrintManualEntries(std::FILE* to, std::span<const Entry> entries);

}  // namespace platform::usage
