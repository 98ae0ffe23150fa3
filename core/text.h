// CP932 (Shift-JIS as Windows writes it) helpers. Text inside the game stays
// CP932 bytes; conversion to UTF-8 happens only at the edges.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nurumo {

// Lead byte of a double-byte character: 0x81-0x9F or 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Byte length of the character starting at s[i]: 2 for a lead byte that has
// a byte after it, else 1.
std::size_t CharLength(std::string_view s, std::size_t i);

// First occurrence of needle at or after byte `from` that begins on a
// character boundary (never on the second byte of a double-byte character).
std::size_t FindCp932(std::string_view s, std::string_view needle, std::size_t from = 0);

bool ContainsCp932(std::string_view s, std::string_view needle);

// Replace every occurrence of `from` by `to`, left to right without overlap,
// matching on character boundaries only.
std::string ReplaceAllCp932(std::string_view s, std::string_view from, std::string_view to);

// ASCII letters folded to upper case; double-byte characters are left alone.
std::string UpperAscii(std::string_view cp932);

// UTF-8 -> CP932. Returns false when a character has no CP932 form; then
// *bad_offset (if given) is the byte offset of that character in the input.
bool TryUtf8ToCp932(std::string_view utf8, std::string& out, std::size_t* bad_offset = nullptr);

// UTF-8 -> CP932; a character without a CP932 form is a ConversionError.
std::string Utf8ToCp932(std::string_view utf8);

// UTF-8 -> CP932 for showing, e.g. a file name in a box: a character
// without a CP932 form, or a byte that is not UTF-8, becomes '?'. Never throws.
std::string Utf8ToCp932Lossy(std::string_view utf8);

// CP932 -> UTF-8. Bytes that are not valid CP932 become U+FFFD; never throws.
std::string Cp932ToUtf8(std::string_view cp932);

// The CP932 bytes of a text written in this source code (UTF-8).
inline std::string Sjis(std::string_view utf8_literal) { return Utf8ToCp932(utf8_literal); }

}  // namespace nurumo
