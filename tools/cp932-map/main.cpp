// cp932-map: writes core/cp932.map, the CP932 table the game converts with,
// by asking this machine's iconv ("CP932", glibc) about every one- and
// two-byte sequence and every code point. Run it by hand when the table is to
// be remade:  BUILD/tools/cp932-map/cp932-map > core/cp932.map
// It stops with a message when iconv answers in a way the table cannot hold.
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace {

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "cp932-map: %s\n", why.c_str());
  std::exit(1);
}

std::string Hex(const std::string& bytes) {
  if (bytes.empty()) return "-";
  std::string out;
  char buf[3];
  for (unsigned char b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    out += buf;
  }
  return out;
}

// One whole conversion of `in`; nullopt when iconv refuses any of it.
std::optional<std::string> Convert(iconv_t cd, const std::string& in) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char out[64];
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = out;
  std::size_t dst_left = sizeof out;
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) return std::nullopt;
  return std::string(out, sizeof out - dst_left);
}

std::string Utf8(char32_t cp) {
  std::string s;
  if (cp < 0x80) return std::string(1, static_cast<char>(cp));
  const int n = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
  s += static_cast<char>((0xF00 >> n) | (cp >> (6 * (n - 1))));
  for (int i = n - 2; i >= 0; --i) s += static_cast<char>(0x80 | ((cp >> (6 * i)) & 0x3F));
  return s;
}

std::string Utf32(char32_t cp) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((cp >> (8 * i)) & 0xFF);
  return s;
}

// The code point of a UTF-32LE string holding exactly one.
std::optional<char32_t> OneCodePoint(const std::optional<std::string>& s) {
  if (!s || s->size() != 4) return std::nullopt;
  char32_t cp = 0;
  for (int i = 3; i >= 0; --i) cp = (cp << 8) | static_cast<unsigned char>((*s)[i]);
  return cp;
}

}  // namespace

int main() {
  iconv_t reader = iconv_open("UTF-32LE", "CP932");
  iconv_t writer = iconv_open("CP932", "UTF-8");  // as the game writes
  if (reader == reinterpret_cast<iconv_t>(-1) || writer == reinterpret_cast<iconv_t>(-1))
    Fail("this iconv has no CP932");

  std::map<std::string, char32_t> reads;   // bytes -> code point
  std::map<char32_t, std::string> writes;  // code point -> bytes
  for (int b0 = 0; b0 < 256; ++b0) {
    const std::string one(1, static_cast<char>(b0));
    const auto single = OneCodePoint(Convert(reader, one));
    if (single) reads[one] = *single;
    for (int b1 = 0; b1 < 256; ++b1) {
      const std::string two = one + static_cast<char>(b1);
      const auto out = Convert(reader, two);
      if (single) {
        // A byte that reads alone must read alone whatever follows it.
        const auto rest = Convert(reader, std::string(1, static_cast<char>(b1)));
        if (!out && rest) Fail("byte " + Hex(one) + " reads alone but not before " + Hex(two.substr(1)));
        if (out && (!rest || *out != Utf32(*single) + *rest)) Fail(Hex(two) + " reads as one character");
        continue;
      }
      if (!out) continue;
      const auto cp = OneCodePoint(out);
      if (!cp) Fail(Hex(two) + " reads as more than one character");
      reads[two] = *cp;
    }
  }
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const auto out = Convert(writer, Utf8(cp));
    if (!out) continue;
    if (out->size() > 2) Fail("a code point writes as " + std::to_string(out->size()) + " bytes");
    if (cp > 0xFFFF && !out->empty()) Fail("a code point beyond U+FFFF has a CP932 form");
    writes[cp] = *out;
  }

  // Every line: bytes, code point, and how the two go.
  std::map<std::string, std::string> lines;  // sorted by bytes, then by code point
  char buf[64];
  for (const auto& [bytes, cp] : reads) {
    const auto w = writes.find(cp);
    const bool both = w != writes.end() && w->second == bytes;
    std::snprintf(buf, sizeof buf, "U+%04X%s", static_cast<unsigned>(cp), both ? "" : " <");
    lines[(bytes.empty() ? "~" : Hex(bytes)) + " " + buf] = Hex(bytes) + " " + buf;
  }
  for (const auto& [cp, bytes] : writes) {
    const auto r = reads.find(bytes);
    if (r != reads.end() && r->second == cp) continue;
    std::snprintf(buf, sizeof buf, "U+%04X >", static_cast<unsigned>(cp));
    lines[(bytes.empty() ? "~" : Hex(bytes)) + " " + buf] = Hex(bytes) + " " + buf;
  }
  std::printf(
      "# CP932 as the game reads and writes it: the answers of glibc's iconv \"CP932\",\n"
      "# written by tools/cp932-map. The build turns this file into the converter's\n"
      "# tables (cmake/cp932-tables.cmake); edit it only by running that tool again.\n"
      "#\n"
      "# One line a mapping: the CP932 bytes in hex, the Unicode code point, and\n"
      "#   (nothing)  the bytes read as the code point, and the code point is written as them;\n"
      "#   <          the bytes read as the code point, which is written as other bytes;\n"
      "#   >          the code point is written as the bytes, which read as another one.\n"
      "# \"-\" stands for no bytes at all: the code point is dropped when written.\n"
      "# Bytes and code points on no line are refused: they read as U+FFFD, and text\n"
      "# holding such a code point cannot be written.\n");
  for (const auto& [key, line] : lines) std::printf("%s\n", line.c_str());
  iconv_close(reader);
  iconv_close(writer);
  return 0;
}
