#include "core/text.h"

#include <bit>
#include <cctype>

#include "core/cp932_tables.h"  // made at build time from core/cp932.map
#include "core/errors.h"

namespace nurumo {

std::size_t CharLength(std::string_view s, std::size_t i) {
  if (i < s.size() && IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) return 2;
  return 1;
}

std::size_t FindCp932(std::string_view s, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= s.size() ? from : std::string_view::npos;
  std::size_t i = 0;
  while (i < s.size()) {
    if (i >= from && s.substr(i, needle.size()) == needle) return i;
    i += CharLength(s, i);
  }
  return std::string_view::npos;
}

bool ContainsCp932(std::string_view s, std::string_view needle) {
  return FindCp932(s, needle) != std::string_view::npos;
}

std::string ReplaceAllCp932(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (s.substr(i, from.size()) == from) {
      out += to;
      i += from.size();
    } else {
      std::size_t n = CharLength(s, i);
      out += s.substr(i, n);
      i += n;
    }
  }
  return out;
}

std::string UpperAscii(std::string_view cp932) {
  std::string out(cp932);
  for (std::size_t i = 0; i < out.size();) {
    std::size_t n = CharLength(out, i);
    if (n == 1) out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[i])));
    i += n;
  }
  return out;
}

namespace {

// One character read: its code point and its length in bytes; length 0 when
// the bytes there are refused.
struct Char {
  char32_t code;
  std::size_t length;
};

// The CP932 character at s[i]. A lead byte with no byte after it, or with one
// its row does not hold, is refused alone: the byte after it is read anew.
Char ReadCp932(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (const char16_t one = cp932::kReadOne[lead]; one != cp932::kNone) return {one, 1};
  const unsigned row = cp932::kReadRow[lead];
  if (row == 0 || i + 1 >= s.size()) return {0, 0};
  const unsigned trail = static_cast<unsigned char>(s[i + 1]) - cp932::kTrailFirst;  // wraps below the first
  if (trail >= cp932::kTrailCount) return {0, 0};
  const char16_t two = cp932::kReadTwo[row - 1][trail];
  if (two == cp932::kNone) return {0, 0};
  return {two, 2};
}

// The UTF-8 character at s[i], read as strictly as the C library reads it:
// shortest forms only, no surrogates, nothing past U+10FFFF, nothing cut short.
Char ReadUtf8(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t code = 0, least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1Fu, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0Fu, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07u, least = 0x10000;
  } else {
    return {0, 0};
  }
  if (s.size() - i < length) return {0, 0};
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0) != 0x80) return {0, 0};
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {0, 0};
  return {code, length};
}

constexpr bool AsciiWritesAsItself() {
  for (unsigned word = 0; word < 4; ++word)
    if (cp932::kWriteBits[word] != 0xFFFFFFFF) return false;
  for (unsigned c = 0; c < 0x80; ++c)
    if (cp932::kWriteBytes[c] != c) return false;
  return true;
}

// Writes the CP932 form of a code point at p and moves p past it; false when
// it has none.
bool WriteCp932(char32_t code, char*& p) {
  if constexpr (AsciiWritesAsItself()) {
    if (code < 0x80) {
      *p++ = static_cast<char>(code);
      return true;
    }
  }
  if (code >= cp932::kDroppedFirst && code <= cp932::kDroppedLast) return true;  // written as nothing
  if (code > 0xFFFF) return false;
  const std::uint32_t word = cp932::kWriteBits[code >> 5];
  const std::uint32_t bit = std::uint32_t{1} << (code & 31);
  if ((word & bit) == 0) return false;
  // The entries before this word's, then those of the bits below this one.
  const std::uint16_t bytes = cp932::kWriteBytes[cp932::kWriteRank[code >> 5] + std::popcount(word & (bit - 1))];
  if (bytes > 0xFF) *p++ = static_cast<char>(bytes >> 8);
  *p++ = static_cast<char>(bytes & 0xFF);
  return true;
}

// Writes a code point of the table (U+FFFF at most) in UTF-8 at p.
char* WriteUtf8(char32_t code, char* p) {
  if (code < 0x80) {
    *p++ = static_cast<char>(code);
  } else if (code < 0x800) {
    *p++ = static_cast<char>(0xC0 | (code >> 6));
    *p++ = static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *p++ = static_cast<char>(0xE0 | (code >> 12));
    *p++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (code & 0x3F));
  }
  return p;
}

// The bytes of the UTF-8 character at i: its lead byte and the continuation
// bytes that follow, 1 for a stray byte.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  std::size_t want = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  std::size_t n = 1;
  while (n < want && i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
  return n;
}

}  // namespace

// CP932 is never longer than the UTF-8 it was written from (nor is a '?' for a
// piece), and UTF-8 is at most three bytes for each CP932 byte read.
bool TryUtf8ToCp932(std::string_view utf8, std::string& out, std::size_t* bad_offset) {
  out.resize(utf8.size());
  char* p = out.data();
  for (std::size_t i = 0; i < utf8.size();) {
    const Char c = ReadUtf8(utf8, i);
    if (c.length == 0 || !WriteCp932(c.code, p)) {
      out.resize(static_cast<std::size_t>(p - out.data()));  // what came before
      if (bad_offset) *bad_offset = i;
      return false;
    }
    i += c.length;
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return true;
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  std::size_t bad = 0;
  if (!TryUtf8ToCp932(utf8, out, &bad)) {
    // Describe the fault in ASCII: the text itself cannot be shown in CP932.
    throw ConversionError("text cannot be written in CP932 (byte " + std::to_string(bad) + ")");
  }
  return out;
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
  std::string out(utf8.size(), '\0');
  char* p = out.data();
  for (std::size_t i = 0; i < utf8.size();) {
    const Char c = ReadUtf8(utf8, i);
    if (c.length != 0 && WriteCp932(c.code, p)) {
      i += c.length;
    } else {
      *p++ = '?';  // one mark for the whole character, or for a stray byte
      i += Utf8Length(utf8, i);
    }
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out(cp932.size() * 3, '\0');
  char* p = out.data();
  for (std::size_t i = 0; i < cp932.size();) {
    const Char c = ReadCp932(cp932, i);
    if (c.length == 0) {
      p = WriteUtf8(0xFFFD, p);  // for each byte that is refused
      ++i;
    } else {
      p = WriteUtf8(c.code, p);
      i += c.length;
    }
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return out;
}

}  // namespace nurumo
