#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/checked.h"
#include "core/random.h"
#include "core/text.h"

namespace nurumo {
namespace {

TEST(Cp932, FindNeverMatchesOnTheSecondByteOfADoubleByteCharacter) {
  // The full-width space is 0x81 0x40; 0x40 is "@".
  std::string s = "\x81\x40@";
  EXPECT_EQ(FindCp932(s, "@"), 2u);
  EXPECT_EQ(FindCp932("\x81\x40", "@"), std::string::npos);
}

TEST(Cp932, ReplaceAllWorksOnCharacterBoundaries) {
  // 0x95 0x5C is a double-byte character whose second byte is a backslash.
  std::string s = "\x95\x5C\\a";
  EXPECT_EQ(ReplaceAllCp932(s, "\\", "/"), "\x95\x5C/a");
  EXPECT_EQ(ReplaceAllCp932("a  b   c", "  ", " "), "a b  c");
}

TEST(Cp932, RoundTripsCharactersStrictShiftJisLacks) {
  for (const char* utf8 : {"～", "①", "髙", "ぬるも。", "\\"}) {
    std::string cp932 = Utf8ToCp932(utf8);
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << utf8;
  }
  EXPECT_EQ(Utf8ToCp932("\\"), "\\");  // not the yen sign
}

TEST(Cp932, ReportsWhereAnUnwritableCharacterStands) {
  std::string out;
  std::size_t bad = 0;
  EXPECT_FALSE(TryUtf8ToCp932("ab\xF0\x9F\x98\x80", out, &bad));  // an emoji
  EXPECT_EQ(bad, 2u);
  EXPECT_THROW(Utf8ToCp932("\xF0\x9F\x98\x80"), ConversionError);
  EXPECT_EQ(Cp932ToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
}

TEST(Cp932, LossyConversionMarksWhatCannotBeShown) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/home/ぬる/game", "/home/" + Utf8ToCp932("ぬる") + "/game"},
      {"a\xF0\x9F\x98\x80" "b\xF0\x9F\x98\x80", "a?b?"},  // emoji: one mark each
      {"a\xFF\xFE" "b", "a??b"},                            // not UTF-8 at all
      {"a\xE3\x81", "a?"},                                  // cut short at the end
      {"", ""},
  };
  for (const auto& [utf8, cp932] : cases) EXPECT_EQ(Utf8ToCp932Lossy(utf8), cp932) << utf8;
}

TEST(Checked, ArraysAndArithmeticRefuseToWrap) {
  CheckedArray<int, 1, 5> a;
  a[1] = 7;
  EXPECT_EQ(a[1], 7);
  EXPECT_THROW(a[0], RangeError);
  EXPECT_THROW(a[6], RangeError);
  EXPECT_EQ(CheckedAdd(2, 3), 5);
  EXPECT_THROW(CheckedAdd(INT32_MAX, 1), OverflowError);
  EXPECT_THROW(CheckedSub(INT32_MIN, 1), OverflowError);
  EXPECT_EQ(Cp932ToUtf8(RangeError().text()), "範囲チェックエラー");
  EXPECT_EQ(Cp932ToUtf8(OverflowError().text()), "整数のオーバーフロー");
}

TEST(RandomTest, SameSeedSameDrawsAndAlwaysInRange) {
  Random a(42), b(42);
  for (int i = 0; i < 1000; ++i) {
    int32_t x = a(7);
    EXPECT_EQ(x, b(7));
    EXPECT_GE(x, 0);
    EXPECT_LT(x, 7);
  }
  EXPECT_EQ(a(0), 0);
}

}  // namespace
}  // namespace nurumo
