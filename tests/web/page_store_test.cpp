// Score.dat as the page keeps it: tabs that save in any order, writes that
// fail or overlap a save, and a file made by another tab first, all merged
// by the desktop's rule into bytes the desktop would write.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/scores.h"
#include "platform/web/score_store.h"

namespace {

using Bytes = std::vector<u8>;
using Found = web::ScoreStore::Found;

struct Record {
  std::vector<u32> scores = std::vector<u32>(10, 0);
  u8 detail = 2, difficulty = 1;
};

Bytes Encode(const Record& r) {
  std::copy(r.scores.begin(), r.scores.end(), base::HighScores);
  base::DetailLevel = r.detail;
  base::Difficulty = r.difficulty;
  base::BonusMode = 0;
  Bytes b = base::EncodeScoreFile();
  base::ResetScores();
  return b;
}

Record Decode(const Bytes& bytes) {
  base::ResetScores();
  base::DecodeScoreFile(bytes.data(), bytes.size());
  Record r;
  std::copy(base::HighScores, base::HighScores + 10, r.scores.begin());
  r.detail = base::DetailLevel;
  r.difficulty = base::Difficulty;
  base::ResetScores();
  return r;
}

// The browser's one stored record, shared by every tab.
struct Browser {
  std::optional<Bytes> stored;

  // One tab's write, as the page does it under the lock; others told.
  bool Flush(web::ScoreStore& tab, std::vector<web::ScoreStore*> others = {},
             bool fails = false) {
    Bytes out;
    std::uint32_t ticket = 0;
    const bool write = tab.Merge(stored ? Found::Bytes : Found::Missing,
                                 stored ? *stored : Bytes{}, out, ticket);
    if (!write) return true;
    if (fails) return false;  // the transaction aborts: nothing stored
    stored = out;
    tab.Stored(ticket, out);
    for (web::ScoreStore* o : others) o->Seen(out);
    return true;
  }
};

// What the game does at a save: the table it reads, its new totals entered,
// its own settings.
void Save(web::ScoreStore& tab, std::vector<i32> totals, u8 difficulty = 1) {
  Bytes copy;
  Record r;
  if (tab.Read(copy) == platform::ReadResult::Read) r = Decode(copy);
  u32 table[10];
  std::copy(r.scores.begin(), r.scores.end(), table);
  for (i32 t : totals) base::EnterScore(table, t);
  std::copy(table, table + 10, r.scores.begin());
  r.difficulty = difficulty;
  tab.Replace(Encode(r));
}

web::ScoreStore Tab(const Browser& b) {
  web::ScoreStore s;
  s.Start(b.stored ? Found::Bytes : Found::Missing,
          b.stored ? *b.stored : Bytes{});
  return s;
}

TEST(ScoreStore, TabsKeepEachOthersTotalsAndTheLastSettings) {
  Browser browser;
  web::ScoreStore a = Tab(browser), b = Tab(browser);
  // Both start on an empty store and make the file (the game does at load).
  Save(a, {});
  Save(b, {});
  ASSERT_TRUE(browser.Flush(a));
  ASSERT_TRUE(browser.Flush(b));  // made first by a: taken as it is
  EXPECT_FALSE(b.Pending());

  // a finishes a game; b, open since before and never told, leaves its
  // settings page with another setting.
  Save(a, {1135});
  ASSERT_TRUE(browser.Flush(a));
  Save(b, {}, 2);
  ASSERT_TRUE(browser.Flush(b));
  Record r = Decode(*browser.stored);
  EXPECT_EQ(r.scores[0], 1135u);
  EXPECT_EQ(r.difficulty, 2);

  // Both play at once; their writes land in either order.
  Save(a, {400, 90});
  Save(b, {700});
  ASSERT_TRUE(browser.Flush(b, {&a}));
  ASSERT_TRUE(browser.Flush(a, {&b}));
  r = Decode(*browser.stored);
  EXPECT_EQ(r.scores, (std::vector<u32>{1135, 700, 400, 90, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(r.difficulty, 1);  // a saved last
  // Told of it, b's next read has everything.
  Bytes copy;
  ASSERT_EQ(b.Read(copy), platform::ReadResult::Read);
  EXPECT_EQ(copy, *browser.stored);
}

TEST(ScoreStore, AFailedWriteKeepsItsTotalsForTheNext) {
  Browser browser;
  web::ScoreStore a = Tab(browser);
  Save(a, {});
  browser.Flush(a);
  Save(a, {300});
  EXPECT_FALSE(browser.Flush(a, {}, true));
  EXPECT_TRUE(a.Pending());
  // Meanwhile another tab stores a total of its own.
  web::ScoreStore b = Tab(browser);
  Save(b, {500});
  browser.Flush(b);
  // The game goes on, and a later save carries both.
  Save(a, {200});
  ASSERT_TRUE(browser.Flush(a));
  EXPECT_FALSE(a.Pending());
  EXPECT_EQ(Decode(*browser.stored).scores,
            (std::vector<u32>{500, 300, 200, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ScoreStore, ASaveDuringAWriteIsWrittenAfterIt) {
  Browser browser;
  web::ScoreStore a = Tab(browser);
  Save(a, {50});
  Bytes out;
  std::uint32_t ticket = 0;
  ASSERT_TRUE(a.Merge(Found::Missing, {}, out, ticket));
  Save(a, {60});  // before the first write is done
  browser.stored = out;
  a.Stored(ticket, out);
  EXPECT_TRUE(a.Pending());
  Bytes copy;
  a.Read(copy);
  EXPECT_EQ(Decode(copy).scores[0], 60u);  // the game still sees its save
  ASSERT_TRUE(browser.Flush(a));
  EXPECT_EQ(Decode(*browser.stored).scores,
            (std::vector<u32>{60, 50, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ScoreStore, BytesAsTheDesktopWritesThemAndAStoreThatCannotBeRead) {
  Browser browser;
  web::ScoreStore a = Tab(browser);
  Save(a, {10, 2573});  // 0x0A and 0x0D 0x0A in the record
  browser.Flush(a);
  Record want;
  want.scores[0] = 2573;
  want.scores[1] = 10;
  EXPECT_EQ(*browser.stored, Encode(want));
  EXPECT_EQ(browser.stored->size(), base::kScoreRecordSize + 2);

  web::ScoreStore odd;
  odd.Start(Found::Unreadable);
  Bytes copy;
  EXPECT_EQ(odd.Read(copy), platform::ReadResult::Unreadable);
  // The globals the store lends to the file's coder come back unchanged.
  Record next = Decode(*browser.stored);
  next.scores[2] = 5;
  const Bytes save = Encode(next);
  base::HighScores[3] = 77;
  base::Difficulty = 0;
  a.Replace(save);
  browser.Flush(a);
  EXPECT_EQ(base::HighScores[3], 77u);
  EXPECT_EQ(base::Difficulty, 0);
  base::ResetScores();
}

}  // namespace
