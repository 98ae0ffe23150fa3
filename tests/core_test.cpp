#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/checked.h"
#include "core/errors.h"
#include "core/random.h"
#include "core/serializer.h"
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
  EXPECT_EQ(out, "ab");  // what came before it
  EXPECT_EQ(Cp932ToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  // The message is ASCII: the text itself cannot be shown.
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"ab\xF0\x9F\x98\x80", "text cannot be written in CP932 (byte 2)"},
      {"\xC3\xA9", "text cannot be written in CP932 (byte 0)"},           // é: no CP932 form
      {"\xE3\x81\x82\xED\xA0\x80", "text cannot be written in CP932 (byte 3)"},  // a surrogate
      {"x\xC0\xAF", "text cannot be written in CP932 (byte 1)"},          // "/" in too many bytes
      {"xy\xE3\x81", "text cannot be written in CP932 (byte 2)"},         // cut short
  };
  for (const auto& [utf8, message] : refused) {
    try {
      Utf8ToCp932(utf8);
      ADD_FAILURE() << "written: " << message;
    } catch (const ConversionError& e) {
      EXPECT_STREQ(e.what(), message.c_str());
    }
  }
}

// The desktop's table in every build: the characters where CP932 tables differ.
TEST(Cp932, ReadsAndWritesAsTheDesktopsTable) {
  const std::string bad = "\xEF\xBF\xBD";  // U+FFFD, one for each byte refused
  const std::vector<std::pair<std::string, std::string>> reads = {
      {"\x5C\x7E", "\\~"},
      {"\x81\x60\x81\x5C\x81\x7C", "～―－"},
      {"\xED\x40\xFA\x5C\x87\x90", "纊纊≒"},  // NEC and IBM doubles read alike
      {"\xF0\x40", "\xEE\x80\x80"},          // the user's area: U+E000
      {"\xB1\xDF", "ｱﾟ"},
      {"\x80\xA0\xFD\xFE\xFF", bad + bad + bad + bad + bad},
      {"\x81\x7F", bad + "\x7F"},  // a lead byte with a trail it lacks: the trail is read anew
      {"\x85\x40", bad + "@"},     // a row with no characters
      {"a\x81", "a" + bad},        // cut short
  };
  for (const auto& [cp932, utf8] : reads) EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << cp932;
  const std::vector<std::pair<std::string, std::string>> writes = {
      {"¥‾", "\x5C\x7E"},
      {"〜—−¢¬", "\x81\x60\x81\x5C\x81\x7C\x81\x91\x81\xCA"},
      {"纊≒", "\xFA\x5C\x81\xE0"},             // doubles written in one form only
      {"a\xF3\xA0\x80\x81" "b", "ab"},         // a language tag is dropped
  };
  for (const auto& [utf8, cp932] : writes) EXPECT_EQ(Utf8ToCp932(utf8), cp932) << utf8;
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

namespace nurumo {
namespace {

enum class Shade : int16_t { Light = 1, Dark = -2 };

struct Sample {
  int32_t number = 0;
  uint64_t wide = 0;
  bool flag = false;
  Shade shade = Shade::Light;
  std::string text;
  int32_t later = 7;  // appeared in version 2
};

void SyncSample(Serializer& s, Sample& sample) {
  s.Sync(sample.number);
  s.Sync(sample.wide);
  s.Sync(sample.flag);
  s.Sync(sample.shade);
  s.Sync(sample.text, 8);
  s.Sync(sample.later, 2);
}

TEST(Serializer, OneFunctionWritesAndReadsBack) {
  Sample out{-5, 0x0102030405060708ULL, true, Shade::Dark, "abc", 42};
  Serializer writer = Serializer::Writer(2);
  SyncSample(writer, out);
  EXPECT_EQ(writer.bytes().substr(0, 4), std::string("\xFB\xFF\xFF\xFF", 4)) << "little-endian";

  Sample in;
  Serializer reader = Serializer::Reader(writer.bytes(), 2);
  SyncSample(reader, in);
  EXPECT_TRUE(reader.at_end());
  EXPECT_EQ(in.number, -5);
  EXPECT_EQ(in.wide, out.wide);
  EXPECT_TRUE(in.flag);
  EXPECT_EQ(in.shade, Shade::Dark);
  EXPECT_EQ(in.text, "abc");
  EXPECT_EQ(in.later, 42);
}

TEST(Serializer, AnOlderStreamLeavesNewerFieldsAlone) {
  Sample out{1, 2, false, Shade::Light, "", 99};
  Serializer writer = Serializer::Writer(1);
  SyncSample(writer, out);
  Sample in;
  Serializer reader = Serializer::Reader(writer.bytes(), 1);
  SyncSample(reader, in);
  EXPECT_TRUE(reader.at_end());
  EXPECT_EQ(in.later, 7);
}

TEST(Serializer, RefusesWhatItsFieldsCannotHold) {
  Sample out{1, 2, true, Shade::Light, "12345678", 3};
  Serializer writer = Serializer::Writer(2);
  SyncSample(writer, out);
  const std::string bytes = writer.bytes();
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::string long_text = bytes;
  long_text[4 + 8 + 1 + 2] = 9;  // the text's length says 9, above its field's 8
  std::string bad_flag = bytes;
  bad_flag[4 + 8] = 2;
  for (const Case& c : {Case{"cut short", bytes.substr(0, bytes.size() - 1)}, Case{"empty", ""},
                        Case{"text too long", long_text}, Case{"flag neither 0 nor 1", bad_flag}}) {
    Sample in;
    Serializer reader = Serializer::Reader(c.bytes, 2);
    EXPECT_THROW(SyncSample(reader, in), SerializeError) << c.name;
  }
}

}  // namespace
}  // namespace nurumo
