// The content generator: turns the sources under content/ into the game
// folder's dat/. Every output is a pure function of its sources, so two
// builds give identical bytes (fixed seeds, no clock, no file times).
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/surface.h"

namespace nurumo::gen {

using Bytes = std::string;  // file contents, byte for byte

// A fault in the content; the build stops and prints the text (UTF-8).
class ContentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The generator's own noise: a small xorshift so the numbers never depend on
// the standard library's distributions.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) { Next(); }
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  double Unit() { return Next() / 4294967296.0; }        // 0 <= u < 1
  double Signed() { return Unit() * 2.0 - 1.0; }         // -1 <= s < 1
  int Below(int n) { return static_cast<int>(Unit() * n); }  // 0..n-1

 private:
  uint32_t state_;
};

Bytes ReadFileBytes(const std::filesystem::path& path);
// Writes only when the bytes differ, so unchanged outputs keep their time
// and whatever depends on them is not rebuilt.
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// Pictures.
Bytes EncodeBmp24(const Surface& picture);
Bytes EncodeJpeg(const Surface& picture, int quality);
Surface MakeBackground(int n);          // nuru00 .. nuru18
Surface MakeCursorStrip();              // eight 32 x 32 frames
Surface MakeEndingPicture();            // the calm last picture
Surface MakeIcon(int size);             // desktop icon
std::string IconSvg();                  // the desktop icon as vectors
Surface MakeLettering(bool* drawn);     // "ぬるも。" through the game's rasteriser

// Sounds: 16-bit mono PCM.
inline constexpr int kSampleRate = 22050;
Bytes EncodeWav16(const std::vector<double>& samples, int rate);
struct SoundRecipe {
  const char* name;
  bool loop;
  std::vector<double> (*make)();
};
const std::vector<SoundRecipe>& SoundRecipes();

// Music: the notation in content/music/README.md to a Standard MIDI File.
struct MidiPiece {
  Bytes file;
  double seconds = 0;  // length of one pass of the loop
};
MidiPiece CompileMusic(std::string_view source, const std::string& name);

// Text: UTF-8 lines to CP932 with CR LF; `scramble` runs the script cipher.
Bytes EncodeTextFile(std::string_view utf8, const std::string& source_name, bool scramble);

// Voices: `name: kana` lines; returns the names spoken, or none when the
// synthesiser is missing.
struct VoiceLine {
  std::string name;
  std::string kana;
};
std::vector<VoiceLine> ParseVoices(std::string_view utf8, const std::string& source_name);

}  // namespace nurumo::gen
