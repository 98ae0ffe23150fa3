// Player data: parameters, mood words, the check string and save.dat.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <sstream>

#include "core/errors.h"
#include "core/text.h"
#include "game/player.h"
#include "support.h"

namespace nurumo {
namespace {

using testing::HeadlessGame;
using testing::Player;

std::string Letters(const std::string& code) { return code.substr(10); }

TEST(CheckCode, WorkedExamples) {
  struct Case {
    PlayerData player;
    const char* letters;
  };
  const Case cases[] = {
      {Player(1, {30, 25, 20, 15, 10}, 0), "rjdzxx"},  // the start values: digit total 17
      {Player(0, {0, 0, 0, 0, 0}, 0), "abejqz"},
      {Player(-5, {-1, 0, -100, 0, INT_MIN}, -3), "abejqz"},  // values of 0 or less count nothing
  };
  for (const Case& c : cases) {
    std::string code = ComputeCheckCode(c.player);
    ASSERT_EQ(code.size(), 16u);
    EXPECT_EQ(code.substr(0, 10), "NURUMODATA");
    EXPECT_EQ(Letters(code), c.letters);
  }
}

TEST(CheckCode, DependsOnTheDigitTotalAlone) {
  const std::string base = ComputeCheckCode(Player(1, {30, 25, 20, 15, 10}, 0));
  EXPECT_EQ(ComputeCheckCode(Player(1, {25, 30, 20, 15, 10}, 0)), base);  // two parameters exchanged
  EXPECT_EQ(ComputeCheckCode(Player(30, {1, 25, 20, 15, 10}, 0)), base);  // level and a parameter
  EXPECT_EQ(ComputeCheckCode(Player(1, {30, 25, 20, 15, 0}, 10)), base);  // parameter and node
  EXPECT_NE(ComputeCheckCode(Player(1, {31, 25, 20, 15, 10}, 0)), base);
  EXPECT_NE(ComputeCheckCode(Player(2, {30, 25, 20, 15, 10}, 0)), base);
}

TEST(SaveRecordLayout, EncodesEveryFieldAtItsOffset) {
  SaveRecord r;
  r.CheckCode.assign("NURUMODATAabcdef");
  r.Level = 3;
  r.Params = {1, -2, 0x01020304, 100, 7};
  r.Node = 49;
  r.EffectName.assign("DARKNESS");
  r.MusicName.assign("a_very_long_music_name.mid");  // cut to 16
  std::array<uint8_t, 84> b = EncodeSaveRecord(r);
  EXPECT_EQ(b[0], 16);
  EXPECT_EQ(std::string(b.begin() + 1, b.begin() + 17), "NURUMODATAabcdef");
  EXPECT_EQ(b[20], 3);
  EXPECT_EQ((std::array<uint8_t, 4>{b[28], b[29], b[30], b[31]}), (std::array<uint8_t, 4>{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ((std::array<uint8_t, 4>{b[32], b[33], b[34], b[35]}), (std::array<uint8_t, 4>{4, 3, 2, 1}));
  EXPECT_EQ(b[36], 100);
  EXPECT_EQ(b[40], 7);
  EXPECT_EQ(b[44], 49);
  EXPECT_EQ(b[48], 8);
  EXPECT_EQ(std::string(b.begin() + 49, b.begin() + 57), "DARKNESS");
  EXPECT_EQ(b[65], 16);
  EXPECT_EQ(std::string(b.begin() + 66, b.begin() + 82), "a_very_long_musi");

  SaveRecord back = DecodeSaveRecord(b);
  EXPECT_EQ(back.CheckCode.str(), "NURUMODATAabcdef");
  EXPECT_EQ(back.Level, 3);
  EXPECT_EQ(back.Params, r.Params);
  EXPECT_EQ(back.Node, 49);
  EXPECT_EQ(back.EffectName.str(), "DARKNESS");
  EXPECT_EQ(back.MusicName.str(), "a_very_long_musi");
}

TEST(SaveRecordLayout, LengthByteAboveSixteenReadsSixteenCharacters) {
  std::array<uint8_t, 84> b{};
  b[48] = 200;
  for (int i = 0; i < 16; ++i) b[static_cast<std::size_t>(49 + i)] = 'A';
  EXPECT_EQ(DecodeSaveRecord(b).EffectName.str(), std::string(16, 'A'));
}

struct SaveFixture : ::testing::Test {
  HeadlessGame h;
  Game& game = h.game;
  std::ostringstream trace;

  void SetUp() override { game.trace.Open(&trace, [] { return 0u; }); }
  void SetPlayer(const PlayerData& p) { game.player = p; }
  std::string SaveBytes() const { return h.dir.Read("save.dat"); }
};

TEST_F(SaveFixture, SaveWritesEightyFourBytesThatLoadBack) {
  SetPlayer(Player(4, {90, 12, 0, 55, 10}, 37));
  game.record.EffectName.assign("INVERT");
  game.record.MusicName.assign("m04.mid");
  ASSERT_TRUE(SaveGame(game));
  std::string bytes = SaveBytes();
  ASSERT_EQ(bytes.size(), 84u);
  EXPECT_EQ(bytes.substr(1, 16), ComputeCheckCode(game.player));

  HeadlessGame other;
  other.dir.Write("save.dat", bytes);
  ASSERT_TRUE(LoadGame(other.game));
  EXPECT_EQ(other.game.player.Level, 4);
  EXPECT_EQ(other.game.player.Params, game.player.Params);
  EXPECT_EQ(other.game.player.Node, 37);
  EXPECT_EQ(other.game.record.EffectName.str(), "INVERT");
  EXPECT_EQ(other.game.record.MusicName.str(), "m04.mid");
  EXPECT_NE(trace.str().find(R"("ev":"save","ok":true)"), std::string::npos);
}

TEST_F(SaveFixture, LoadAcceptsOrRejectsFiles) {
  SetPlayer(Player(2, {40, 30, 20, 15, 10}, 12));
  ASSERT_TRUE(SaveGame(game));
  const std::string good = SaveBytes();
  auto edited = [&](std::size_t at, char value) {
    std::string b = good;
    b[at] = value;
    return b;
  };
  struct Case {
    const char* what;
    std::string bytes;
    bool loads;
  };
  const Case cases[] = {
      {"as written", good, true},
      {"83 bytes", good.substr(0, 83), false},
      {"100 bytes", good + std::string(16, 'x'), true},
      {"empty", "", false},
      {"effect name edited", edited(50, 'Z'), true},
      {"music name length edited", edited(65, 3), true},
      {"padding edited", edited(18, 'p'), true},
      {"level edited", edited(20, 3), false},
      {"node edited", edited(44, 13), false},
      {"check letter edited", edited(16, 'a' == good[16] ? 'b' : 'a'), false},
      {"check length byte edited", edited(0, 15), false},
  };
  for (const Case& c : cases) {
    HeadlessGame other;
    other.dir.Write("save.dat", c.bytes);
    EXPECT_EQ(LoadGame(other.game), c.loads) << c.what;
    if (c.loads) {
      EXPECT_EQ(other.game.player.Node, 12) << c.what;
    }
  }
}

TEST_F(SaveFixture, MissingOrReadOnlySaveCountsAsNoSave) {
  EXPECT_FALSE(LoadGame(game));
  EXPECT_EQ(game.player.Level, 0);  // unchanged when nothing was read

  if (testing::kHasFifos) {  // a pipe by its name, which nobody writes: refused, not waited on
    testing::Deadline deadline(60);
    HeadlessGame piped;
    ASSERT_TRUE(testing::MakeFifo(piped.dir.path() / "save.dat"));
    EXPECT_FALSE(LoadGame(piped.game));
    EXPECT_EQ(piped.game.player.Level, 0);
  }

  SetPlayer(Player(1, {30, 25, 20, 15, 10}, 3));
  ASSERT_TRUE(SaveGame(game));
  std::filesystem::permissions(h.dir.path() / "save.dat", std::filesystem::perms::owner_read);
  EXPECT_FALSE(LoadGame(game));
  EXPECT_NE(trace.str().find(R"("ev":"load","ok":false)"), std::string::npos);
}

TEST_F(SaveFixture, MatchingCheckWithOddValuesLoadsAsStored) {
  SaveRecord r;
  PlayerData odd = Player(9, {-4, 250, 0, 0, 1}, 77);
  r.CheckCode.assign(ComputeCheckCode(odd));
  r.Level = 9;
  r.Params = {-4, 250, 0, 0, 1};
  r.Node = 77;
  auto b = EncodeSaveRecord(r);
  h.dir.Write("save.dat", std::string(b.begin(), b.end()));
  ASSERT_TRUE(LoadGame(game));
  EXPECT_EQ(game.player.Level, 9);
  EXPECT_EQ(game.player.Params[2], 250);
  EXPECT_EQ(game.player.Node, 77);
}

TEST_F(SaveFixture, FailedSaveLeavesTheOldFileIntact) {
  if (!testing::kHasFileSizeLimit) GTEST_SKIP() << testing::kNoFileSizeLimit;
  SetPlayer(Player(3, {50, 50, 50, 15, 10}, 20));
  ASSERT_TRUE(SaveGame(game));
  const std::string old = SaveBytes();

  SetPlayer(Player(5, {1, 1, 1, 1, 1}, 0));
  {
    testing::FileSizeLimit full(10);  // the new record cannot be written whole
    EXPECT_FALSE(SaveGame(game));
  }
  EXPECT_EQ(SaveBytes(), old);
  for (const auto& entry : std::filesystem::directory_iterator(h.dir.path()))
    EXPECT_FALSE(entry.path().filename().string().starts_with("save.dat.tmp")) << entry.path();

  HeadlessGame reload;
  reload.dir.Write("save.dat", old);
  ASSERT_TRUE(LoadGame(reload.game));
  EXPECT_EQ(reload.game.player.Level, 3);
  EXPECT_NE(trace.str().find(R"("ev":"save","ok":false)"), std::string::npos);
}

TEST_F(SaveFixture, WriteProtectedSaveStaysByteForByteAndModeForMode) {
  // Root writes through permission bits, so the game looks at the bits
  // themselves: this holds whoever runs it, root included.
  namespace fs = std::filesystem;
  using fs::perms;
  const fs::path file = h.dir.path() / "save.dat";
  SetPlayer(Player(3, {50, 50, 50, 15, 10}, 20));
  ASSERT_TRUE(SaveGame(game));
  const std::string old = SaveBytes();
  for (perms mode : {perms::owner_read, perms::owner_read | perms::group_read | perms::others_read, perms::none}) {
    fs::permissions(file, mode);
    SetPlayer(Player(5, {1, 1, 1, 1, 1}, 0));
    EXPECT_FALSE(SaveGame(game));
    if (testing::kHasPermissionBits) {  // else only the read-only attribute
      EXPECT_EQ(fs::status(file).permissions(), mode);
    }
    for (const auto& entry : fs::directory_iterator(h.dir.path()))
      EXPECT_FALSE(entry.path().filename().string().starts_with("save.dat.tmp")) << entry.path();
    fs::permissions(file, perms::owner_read);
    EXPECT_EQ(SaveBytes(), old);
  }

  fs::permissions(file, perms::owner_read | perms::owner_write);  // writable: replaced, its mode kept
  EXPECT_TRUE(SaveGame(game));
  EXPECT_NE(SaveBytes(), old);
  if (testing::kHasPermissionBits) {
    EXPECT_EQ(fs::status(file).permissions(), perms::owner_read | perms::owner_write);
  }
}

// Leftovers of writes cut short are removed once they are old; a fresh one
// may belong to another game writing right now, and other names are never ours.
TEST_F(SaveFixture, OnlyOldLeftoversOfCutWritesAreRemoved) {
  namespace fs = std::filesystem;
  const auto old_time = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const char* name : {"save.dat.tmp", "save.dat.tmp-Ab12Cd", "save.dat.tmp-4242", "save.dat.bak",
                           "save.dat.tmp-Xy34Zw"}) {
    h.dir.Write(name, "left behind");
    if (std::string_view(name) != "save.dat.tmp-Xy34Zw") fs::last_write_time(h.dir.path() / name, old_time);
  }
  SetPlayer(Player(2, {40, 30, 20, 15, 10}, 5));
  ASSERT_TRUE(SaveGame(game));
  EXPECT_EQ(SaveBytes().size(), 84u);
  EXPECT_FALSE(fs::exists(h.dir.path() / "save.dat.tmp"));         // the one name of older versions
  EXPECT_FALSE(fs::exists(h.dir.path() / "save.dat.tmp-Ab12Cd"));  // a dead writer's, an hour old
  EXPECT_EQ(h.dir.Read("save.dat.tmp-Xy34Zw"), "left behind");     // fresh: perhaps a writer at work
  EXPECT_EQ(h.dir.Read("save.dat.tmp-4242"), "left behind");       // not a name the writer makes
  EXPECT_EQ(h.dir.Read("save.dat.bak"), "left behind");
}

TEST_F(SaveFixture, AHugeSaveIsReadNoFurtherThanItsRecord) {
  SetPlayer(Player(2, {40, 30, 20, 15, 10}, 12));
  ASSERT_TRUE(SaveGame(game));
  std::filesystem::resize_file(h.dir.path() / "save.dat", uint64_t{3} << 30);  // 3 GiB, sparse
  const std::optional<long> before = testing::PeakKilobytes();
  HeadlessGame other;
  std::filesystem::rename(h.dir.path() / "save.dat", other.dir.path() / "save.dat");
  EXPECT_TRUE(LoadGame(other.game));  // bytes past the record are ignored, however many
  EXPECT_EQ(other.game.player.Node, 12);
  if (before) {  // where the machine tells it
    EXPECT_LT(*testing::PeakKilobytes() - *before, 64 * 1024) << "kilobytes more at the peak";
  }
}

TEST_F(SaveFixture, SaveFailsWhereSaveDatIsAFolder) {
  std::filesystem::create_directories(h.dir.path() / "save.dat" / "x");
  SetPlayer(Player(1, {30, 25, 20, 15, 10}, 0));
  EXPECT_FALSE(SaveGame(game));
  EXPECT_TRUE(std::filesystem::is_directory(h.dir.path() / "save.dat"));
  EXPECT_FALSE(LoadGame(game));
}

TEST_F(SaveFixture, NothingIsSavedOnceTheProgramIsEnding) {
  SetPlayer(Player(2, {40, 30, 20, 15, 10}, 5));
  ASSERT_TRUE(SaveGame(game));
  const std::string old = SaveBytes();
  game.terminate = true;  // a script failed to load
  SetPlayer(Player(3, {40, 30, 20, 15, 10}, 9));
  EXPECT_FALSE(SaveGame(game));
  EXPECT_EQ(SaveBytes(), old);
}

TEST(PlayerData, ResetGivesTheStartValuesAndLeavesTheRecord) {
  HeadlessGame h;
  h.game.record.EffectName.assign("NOISE");
  ResetPlayerData(h.game);
  EXPECT_EQ(h.game.player.Level, 1);
  EXPECT_EQ(h.game.player.Params[1], 30);
  EXPECT_EQ(h.game.player.Params[2], 25);
  EXPECT_EQ(h.game.player.Params[3], 20);
  EXPECT_EQ(h.game.player.Params[4], 15);
  EXPECT_EQ(h.game.player.Params[5], 10);
  EXPECT_EQ(h.game.player.Node, 0);
  EXPECT_EQ(h.game.record.EffectName.str(), "NOISE");
}

TEST(ChangeParam, BoundsAndLevelGating) {
  struct Case {
    int32_t level, index, start, delta, expected;
    bool dirty;
  };
  const Case cases[] = {
      {2, 3, 20, 5, 20, false},   // above the level: not in play
      {3, 3, 20, 5, 25, true},
      {5, 1, 40, 0, 40, false},   // no change, no redraw
      {1, 1, 95, 14, 100, true},  // capped at 100
      {1, 1, 3, -8, 0, true},     // floored at 0
      {5, 5, 100, 1, 100, true},  // already at the cap still marks the panel
      {1, 7, 20, 5, 20, false},   // far above the level: returns before the range check
  };
  for (const Case& c : cases) {
    HeadlessGame h;
    h.game.player.Level = c.level;
    int32_t slot = c.index <= 5 ? c.index : 1;
    h.game.player.Params[slot] = c.start;
    ChangeParam(h.game, c.index, c.delta);
    EXPECT_EQ(h.game.player.Params[slot], c.expected) << c.level << "/" << c.index << "/" << c.delta;
    EXPECT_EQ(h.game.panel.PanelDirty, c.dirty) << c.level << "/" << c.index << "/" << c.delta;
  }
}

TEST(ChangeParam, IndexOutsideTheParametersAndOverflowAreErrors) {
  HeadlessGame h;
  h.game.player.Level = 6;
  EXPECT_THROW(ChangeParam(h.game, 6, 1), RangeError);
  EXPECT_THROW(ChangeParam(h.game, 0, 1), RangeError);
  h.game.player.Params[1] = INT_MAX;
  EXPECT_THROW(ChangeParam(h.game, 1, 1), OverflowError);
}

TEST(IsParamHigh, ThresholdAndRange) {
  HeadlessGame h;
  h.game.player.Params[4] = 85;
  h.game.player.Params[5] = 84;
  h.game.panel.ShownValues[5] = 100;  // the true value counts, not the drawn one
  EXPECT_TRUE(IsParamHigh(h.game, 4));
  EXPECT_FALSE(IsParamHigh(h.game, 5));
  EXPECT_THROW(IsParamHigh(h.game, 0), RangeError);
  EXPECT_THROW(IsParamHigh(h.game, 6), RangeError);
}

TEST(FirstEmptyParam, ScansAllFiveInOrder) {
  struct Case {
    std::array<int32_t, 5> params;
    int32_t level, expected;
  };
  const Case cases[] = {
      {{5, 0, 7, 0, 9}, 1, 2},    // above the level too
      {{1, 2, 3, 4, 5}, 5, 0},
      {{1, 2, 3, 4, -3}, 2, 5},
      {{0, 0, 0, 0, 0}, 5, 1},
  };
  for (const Case& c : cases) {
    HeadlessGame h;
    h.game.player = Player(c.level, c.params, 0);
    EXPECT_EQ(FirstEmptyParam(h.game), c.expected);
  }
}

TEST(MoodLabel, BandsFollowTheShownValue) {
  struct Case {
    int32_t index, shown;
    const char* word;
  };
  const Case cases[] = {
      {1, 14, "苦痛"}, {1, 15, "不快"}, {1, 49, "不快"}, {1, 50, "快適"}, {1, 84, "快適"},
      {1, 85, "悦楽"}, {1, 100, "悦楽"}, {2, 50, "安心"}, {3, 0, "孤独"}, {4, 85, "誇り"},
      {5, 60, "悟り"}, {5, -7, "覚醒"}, {3, 30, "不信"},
  };
  for (const Case& c : cases) {
    HeadlessGame h;
    h.game.panel.ShownValues[c.index] = c.shown;
    h.game.player.Params[c.index] = 100 - c.shown;  // the true value is not looked at
    EXPECT_EQ(Cp932ToUtf8(MoodLabel(h.game, c.index)), c.word) << c.index << "@" << c.shown;
  }
  HeadlessGame h;
  EXPECT_THROW(MoodLabel(h.game, 0), RangeError);
  EXPECT_THROW(MoodLabel(h.game, 6), RangeError);
}

}  // namespace
}  // namespace nurumo
