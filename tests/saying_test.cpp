#include "extras/saying.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/text.h"
#include "script/script.h"
#include "support.h"

namespace nurumo {
namespace {

using Lines = std::vector<std::string>;

TEST(Sayings, KeepEveryLineThatIsNotEmpty) {
  struct Case {
    const char* file;  // nullptr: no sayings file at all
    Lines expected;
  };
  const std::vector<Case> cases = {
      {"a\r\n\r\n\r\nb\r\n\r\n", {"a", "b"}},
      {"  \r\n\n x\n", {"  ", " x"}},  // lines of spaces stay
      {"", {}},
      {nullptr, {}},
  };
  for (const Case& c : cases) {
    testing::HeadlessGame h;
    if (c.file) h.dir.Write("dat/sayings.txt", c.file);
    LoadSayings(h.game);
    EXPECT_EQ(h.game.sayings.SayingList, c.expected) << (c.file ? c.file : "(missing)");
    FreeSayings(h.game);
    EXPECT_TRUE(h.game.sayings.SayingList.empty());
  }
}

TEST(Sayings, TwoDigitsPadsOnlyNumbersBelowTen) {
  const std::vector<std::pair<int32_t, std::string>> cases = {{0, "00"},  {1, "01"},  {9, "09"},
                                                              {10, "10"}, {99, "99"}, {123, "123"}};
  for (const auto& [n, text] : cases) EXPECT_EQ(TwoDigits(n), text) << n;
}

const std::string kAfterwordName = "あとがき.txt";  // on the disk, UTF-8

// The afterword source holds these lines scrambled with the line cipher.
std::string ScrambledSource(const Lines& plain) {
  std::string bytes;
  for (const std::string& line : plain) bytes += CryptLine(line) + "\r\n";
  return bytes;
}

TEST(Afterword, IsWrittenUnscrambledWithCrLfAndTheClearNoticeFollows) {
  testing::HeadlessGame h;
  const Lines plain = {Sjis("あとがき // 全部そのまま"), "", "\t", "The end."};
  h.dir.Write("dat/a.dat", ScrambledSource(plain));
  ExportAfterword(h.game);
  ExportAfterword(h.game);  // a second export replaces the first, leaving nothing beside it

  EXPECT_EQ(h.dir.Read(kAfterwordName), Sjis("あとがき // 全部そのまま") + "\r\n\r\n\t\r\nThe end.\r\n");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(h.dir.path()))
    names.push_back(Utf8Of(entry.path().filename()));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Lines{"dat", kAfterwordName}));

  ASSERT_EQ(h.platform.boxes().size(), 2u);
  const HeadlessPlatform::Box& box = h.platform.boxes()[0];
  EXPECT_EQ(Cp932ToUtf8(box.caption), "クリア");
  EXPECT_EQ(Cp932ToUtf8(box.text),
            "ゲームクリアです。\r\nお疲れ様でした。\r\nフォルダに『あとがき.txt』を出力しました。");
  EXPECT_EQ(box.icon, BoxIcon::Information);
}

TEST(Afterword, AMissingSourceGivesAnEmptyFile) {
  testing::HeadlessGame h;
  h.dir.Write(kAfterwordName, "old");
  ExportAfterword(h.game);
  EXPECT_TRUE(std::filesystem::exists(h.dir.path() / PathOfUtf8(kAfterwordName)));
  EXPECT_EQ(h.dir.Read(kAfterwordName), "");
  ASSERT_EQ(h.platform.boxes().size(), 1u);
  EXPECT_EQ(Cp932ToUtf8(h.platform.boxes()[0].caption), "クリア");
}

TEST(Afterword, AFileThatCannotBeWrittenIsToldInJapaneseAndTheGameGoesOn) {
  testing::HeadlessGame h;
  h.dir.Write("dat/a.dat", ScrambledSource({"x"}));
  std::filesystem::create_directory(h.dir.path() / PathOfUtf8(kAfterwordName));  // in the way, even for root
  ExportAfterword(h.game);

  ASSERT_EQ(h.platform.boxes().size(), 2u);
  const HeadlessPlatform::Box& error = h.platform.boxes()[0];
  EXPECT_EQ(error.icon, BoxIcon::Error);
  EXPECT_EQ(Cp932ToUtf8(error.text),
            "『あとがき.txt』を出力できませんでした。\r\n同じ名前のフォルダがあります。");
  const HeadlessPlatform::Box& clear = h.platform.boxes()[1];
  EXPECT_EQ(Cp932ToUtf8(clear.caption), "クリア");
  EXPECT_EQ(Cp932ToUtf8(clear.text), "ゲームクリアです。\r\nお疲れ様でした。");
  EXPECT_TRUE(std::filesystem::is_directory(h.dir.path() / PathOfUtf8(kAfterwordName)));
}

}  // namespace
}  // namespace nurumo
