// The CP932 converter against the C library's iconv, which the desktop build
// converted with before: every one- and two-byte input read, every code point
// written, and malformed UTF-8, each with the same text, the same refusals and
// the same place of the fault. Built only where iconv has CP932 (glibc).
#include <gtest/gtest.h>
#include <iconv.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace nurumo {
namespace {

// iconv as the converter was built on it: one conversion that stops at the
// first character it cannot convert, and the marking loop around it.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool Convert(std::string_view in, std::string& out, std::size_t* bad_offset) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string buffer(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    char* dst = buffer.data();
    std::size_t dst_left = buffer.size();
    bool ok = true;
    if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) {
      ok = false;
      *bad_offset = static_cast<std::size_t>(src - in.data());
    }
    out.assign(buffer.data(), buffer.size() - dst_left);
    return ok;
  }

  std::string Marking(std::string_view in, std::string_view mark, std::size_t (*skip)(std::string_view, std::size_t)) {
    std::string result;
    std::size_t i = 0;
    while (i < in.size()) {
      std::string piece;
      std::size_t bad = 0;
      const bool whole = Convert(in.substr(i), piece, &bad);
      result += piece;
      if (whole) break;
      result += mark;
      i += bad;
      i += skip(in, i);
    }
    return result;
  }

 private:
  iconv_t cd_;
};

std::size_t OneByte(std::string_view, std::size_t) { return 1; }

std::size_t Utf8Length(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  std::size_t want = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  std::size_t n = 1;
  while (n < want && i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
  return n;
}

std::string Hex(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[c >> 4];
    out += kDigits[c & 0xF];
    out += ' ';
  }
  return out;
}

// The first differences, so that a broken table does not flood the log.
class Differences {
 public:
  void Add(std::string_view what, std::string_view input) {
    if (++count_ <= 10) ADD_FAILURE() << what << " differs from iconv for " << Hex(input);
  }
  ~Differences() { EXPECT_EQ(count_, 0u) << "inputs that differ from iconv"; }

 private:
  std::size_t count_ = 0;
};

// Every character in UTF-8, surrogates too (in the three-byte form UTF-8 forbids).
std::string Utf8(char32_t c) {
  if (c < 0x80) return std::string(1, static_cast<char>(c));
  std::string s;
  if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  }
  s += static_cast<char>(0x80 | (c & 0x3F));
  return s;
}

class Cp932AgainstIconv : public ::testing::Test {
 protected:
  Iconv reader_{"UTF-8", "CP932"};
  Iconv writer_{"CP932", "UTF-8"};
  Differences differences_;

  void Read(std::string_view cp932) {
    if (Cp932ToUtf8(cp932) != reader_.Marking(cp932, "\xEF\xBF\xBD", OneByte)) differences_.Add("reading", cp932);
  }

  void Write(std::string_view utf8) {
    std::string ours, theirs;
    std::size_t our_bad = 12345, their_bad = 12345;
    const bool ok = TryUtf8ToCp932(utf8, ours, &our_bad);
    if (ok != writer_.Convert(utf8, theirs, &their_bad) || ours != theirs || our_bad != their_bad)
      differences_.Add("writing", utf8);
    if (Utf8ToCp932Lossy(utf8) != writer_.Marking(utf8, "?", Utf8Length)) differences_.Add("lossy writing", utf8);
  }
};

TEST_F(Cp932AgainstIconv, ReadsEveryOneAndTwoByteInputAlikeAndOneAfterText) {
  for (int lead = 0; lead < 256; ++lead) {
    const char first = static_cast<char>(lead);
    Read(std::string{first});
    Read(std::string{'a', first});  // cut short after a character
    for (int trail = 0; trail < 256; ++trail) Read(std::string{first, static_cast<char>(trail)});
  }
}

TEST_F(Cp932AgainstIconv, WritesEveryCodePointAlikeAloneAndAmongText) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    const std::string one = Utf8(c);
    Write(one);
    Write("a" + one + "b");
  }
}

TEST_F(Cp932AgainstIconv, RefusesMalformedUtf8Alike) {
  for (int first = 0; first < 256; ++first)
    for (int second = 0; second < 256; ++second)
      Write(std::string{static_cast<char>(first), static_cast<char>(second)});
  // Longer sequences: every byte a UTF-8 character cannot start with or that
  // starts a long one, followed by bytes at the edges of what may follow.
  constexpr std::array<unsigned char, 13> kNext = {0x00, 0x41, 0x7F, 0x80, 0x81, 0x8F, 0x90,
                                                   0x9F, 0xA0, 0xBF, 0xC0, 0xE3, 0xFF};
  for (int first = 0x80; first < 256; ++first)
    for (unsigned char second : kNext)
      for (unsigned char third : kNext) {
        const std::string three{static_cast<char>(first), static_cast<char>(second), static_cast<char>(third)};
        Write(three);
        for (unsigned char fourth : kNext) Write(three + static_cast<char>(fourth) + "z");
      }
}

}  // namespace
}  // namespace nurumo
