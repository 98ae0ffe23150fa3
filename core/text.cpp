#include "core/text.h"

#include <iconv.h>

#include <cerrno>
#include <cctype>

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

// One iconv conversion; stops at the first character it cannot convert and
// reports its input offset.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out,
             std::size_t* bad_offset) {
  out.clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (bad_offset) *bad_offset = 0;
    return false;
  }
  std::string buffer(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = buffer.data();
  std::size_t dst_left = buffer.size();
  bool ok = true;
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) {
    ok = false;
    if (bad_offset) *bad_offset = static_cast<std::size_t>(src - in.data());
  }
  if (ok) iconv(cd, nullptr, nullptr, &dst, &dst_left);
  iconv_close(cd);
  out.assign(buffer.data(), buffer.size() - dst_left);
  return ok;
}

// Converts what it can; each piece that does not convert becomes `mark`.
// `skip` tells how long the piece that failed at a position is.
std::string ConvertMarking(const char* to, const char* from, std::string_view in, std::string_view mark,
                           std::size_t (*skip)(std::string_view, std::size_t)) {
  std::string result;
  std::size_t i = 0;
  while (i < in.size()) {
    std::string piece;
    std::size_t bad = 0;
    const bool whole = Convert(to, from, in.substr(i), piece, &bad);
    result += piece;  // all of it, or what converted before the bad piece
    if (whole) break;
    result += mark;
    i += bad;
    i += skip(in, i);
  }
  return result;
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

bool TryUtf8ToCp932(std::string_view utf8, std::string& out, std::size_t* bad_offset) {
  return Convert("CP932", "UTF-8", utf8, out, bad_offset);
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

std::string Utf8ToCp932Lossy(std::string_view utf8) { return ConvertMarking("CP932", "UTF-8", utf8, "?", Utf8Length); }

std::string Cp932ToUtf8(std::string_view cp932) {
  // U+FFFD for each byte that does not convert
  return ConvertMarking("UTF-8", "CP932", cp932, "\xEF\xBF\xBD", [](std::string_view, std::size_t) -> std::size_t {
    return 1;
  });
}

}  // namespace nurumo
