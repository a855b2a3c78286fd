#include "platform/web/score_store.h"

#include <algorithm>

#include "base/scores.h"

namespace web {

namespace {

struct Record {
  u32 scores[10] = {};
  u8 detailLevel = 0, difficulty = 0;
  u32 bonusMode = 0;
};

// The file's format has one home, base/scores: its coder works on the
// globals, so they are lent to it and given back unchanged.
class LentGlobals {
 public:
  LentGlobals() : saved_(Take()) {}
  ~LentGlobals() { Put(saved_); }
  static Record Take() {
    Record r;
    std::copy(base::HighScores, base::HighScores + 10, r.scores);
    r.detailLevel = base::DetailLevel;
    r.difficulty = base::Difficulty;
    r.bonusMode = base::BonusMode;
    return r;
  }
  static void Put(const Record& r) {
    std::copy(r.scores, r.scores + 10, base::HighScores);
    base::DetailLevel = r.detailLevel;
    base::Difficulty = r.difficulty;
    base::BonusMode = r.bonusMode;
  }

 private:
  Record saved_;
};

// A short file leaves the fields past its end as they are in `over`.
Record Decode(std::span<const u8> bytes, const Record& over = {}) {
  LentGlobals lent;
  LentGlobals::Put(over);
  base::DecodeScoreFile(bytes.data(), bytes.size());
  return LentGlobals::Take();
}

std::vector<u8> Encode(const Record& r) {
  LentGlobals lent;
  LentGlobals::Put(r);
  return base::EncodeScoreFile();
}

}  // namespace

void ScoreStore::Start(Found found, std::span<const u8> bytes) {
  *this = ScoreStore{};
  found_ = found;
  if (found == Found::Bytes) {
    copy_.assign(bytes.begin(), bytes.end());
  }
}

platform::ReadResult ScoreStore::Read(std::vector<u8>& out) const {
  switch (found_) {
    case Found::Missing:
      return platform::ReadResult::Missing;
    case Found::Unreadable:
      return platform::ReadResult::Unreadable;
    case Found::Bytes:
      break;
  }
  out = copy_;
  return platform::ReadResult::Read;
}

void ScoreStore::Replace(std::span<const u8> bytes) {
  // A save enters totals into the table it read (this copy): whatever is
  // in the new table and was not in that one is a total of this tab's.
  const bool creation = found_ == Found::Missing;
  std::vector<u32> before;
  if (!creation) {
    const Record was = Decode(copy_);
    before.assign(was.scores, was.scores + 10);
  }
  const Record now = Decode(bytes);
  ++replaced_;
  for (const u32 score : now.scores) {
    const auto same = std::find(before.begin(), before.end(), score);
    if (same != before.end()) {
      before.erase(same);
    } else {
      news_.push_back({replaced_, static_cast<i32>(score)});
    }
  }
  creating_ = creation;
  latest_.assign(bytes.begin(), bytes.end());
  copy_ = latest_;
  found_ = Found::Bytes;
}

bool ScoreStore::Merge(Found found, std::span<const u8> stored,
                       std::vector<u8>& out, std::uint32_t& ticket) {
  ticket = replaced_;
  if (!Pending()) return false;
  if (found == Found::Bytes && creating_) {
    // Another tab made the file first: it is taken as it is.
    Stored(ticket, stored);
    return false;
  }
  if (found != Found::Bytes) {
    // Nothing stored (or cleared meanwhile): made from what the game has.
    out = copy_;
    return true;
  }
  out = WithNews(stored);
  return true;
}

void ScoreStore::Stored(std::uint32_t ticket, std::span<const u8> bytes) {
  std::erase_if(news_, [&](const News& n) { return n.save <= ticket; });
  stored_ = std::max(stored_, ticket);
  if (!Pending()) creating_ = false;
  Rebuild(bytes);
}

void ScoreStore::Seen(std::span<const u8> bytes) {
  if (found_ == Found::Unreadable) return;  // left alone, as at start-up
  Rebuild(bytes);
}

void ScoreStore::Rebuild(std::span<const u8> stored) {
  found_ = Found::Bytes;
  if (!Pending()) {
    copy_.assign(stored.begin(), stored.end());
    return;
  }
  copy_ = WithNews(stored);
}

std::vector<u8> ScoreStore::WithNews(std::span<const u8> stored) const {
  Record r = Decode(stored, Decode(copy_));
  for (const News& n : news_) base::EnterScore(r.scores, n.total);
  const Record settings = Decode(latest_);
  r.detailLevel = settings.detailLevel;
  r.difficulty = settings.difficulty;
  r.bonusMode = settings.bonusMode;
  return Encode(r);
}

}  // namespace web
