// Score.dat in the page. The browser keeps the file's bytes (IndexedDB, from
// the page's script); the game reads and replaces this tab's copy of them at
// once, and the page stores each save later, under a lock every tab of the
// site shares. What a save adds is merged into what is stored at that moment
// by the desktop's rule: the totals this tab recorded go into the table as
// it is now (so another tab's new totals survive), and the settings are this
// tab's (the last save wins). Standard C++ only, so the native tests check
// it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/platform.h"
#include "base/types.h"

namespace web {

class ScoreStore {
 public:
  // What the browser held when the page started: the file's bytes, none,
  // or something that is not a file's bytes (left alone, as on the
  // desktop a file that cannot be read is).
  enum class Found { Bytes, Missing, Unreadable };
  void Start(Found found, std::span<const u8> bytes = {});

  // The game's side, through the platform's ReadFile and ReplaceFile.
  platform::ReadResult Read(std::vector<u8>& out) const;
  void Replace(std::span<const u8> bytes);

  // True while a save is not yet stored.
  bool Pending() const { return replaced_ != stored_; }

  // Under the page's lock, with what is stored now: the bytes to store in
  // its place (true), or nothing to write (false; the save is then done).
  // `ticket` names the saves the write carries, for Stored.
  bool Merge(Found found, std::span<const u8> stored, std::vector<u8>& out,
             std::uint32_t& ticket);
  // The write of Merge's `out` with that ticket is in the browser.
  void Stored(std::uint32_t ticket, std::span<const u8> bytes);
  // Another tab stored these bytes.
  void Seen(std::span<const u8> bytes);

 private:
  struct News {
    std::uint32_t save;  // the Replace it came with, counted from 1
    i32 total;
  };
  // The game's copy made again: what is stored, with the totals not yet
  // stored and the settings of the latest save not yet stored.
  void Rebuild(std::span<const u8> stored);
  // `stored` with the totals not yet stored entered and the latest save's
  // settings, encoded.
  std::vector<u8> WithNews(std::span<const u8> stored) const;

  Found found_ = Found::Missing;
  std::vector<u8> copy_;  // what the game reads
  std::vector<News> news_;
  std::vector<u8> latest_;  // the latest save's bytes (its settings win)
  std::uint32_t replaced_ = 0, stored_ = 0;
  bool creating_ = false;  // the only save not yet stored made the file
};

}  // namespace web
