// Small sound fixtures written by the tests themselves: Standard MIDI Files
// and RIFF wave files, sound or sloppy, the way old tools wrote them.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <numbers>
#include <string>
#include <vector>

#include "tests/support.h"

namespace nurumo::testing {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

inline void PutBe(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A Standard MIDI File of the given tracks (their events), 480 ticks a quarter.
inline std::string Smf(const std::vector<std::string>& tracks, int format = 0) {
  std::string out = "MThd" + Bytes({0, 0, 0, 6, 0, format, 0, static_cast<int>(tracks.size()), 0x01, 0xE0});
  for (const std::string& track : tracks) {
    out += "MTrk";
    PutBe(out, static_cast<uint32_t>(track.size()), 4);
    out += track;
  }
  return out;
}
inline const std::string kEndOfTrack = Bytes({0, 0xFF, 0x2F, 0});

// One organ note held from the first tick to the end of the track: 480
// ticks at 120 beats a minute, half a second.
inline const std::string kOrganTrack = Bytes({0, 0xC0, 0x10,                  // drawbar organ: no decay
                                              0, 0x90, 0x3C, 0x64,            // C4 on
                                              0x83, 0x60, 0x80, 0x3C, 0x40});  // off after 480 ticks
inline std::string OrganNote() { return Smf({kOrganTrack + kEndOfTrack}); }
constexpr double kOrganSeconds = 0.5;

// A MIDI file in a RIFF "RMID" wrapper, its sizes as given (or true ones).
inline std::string Rmid(const std::string& smf, uint32_t data_size = 0) {
  std::string out = "RIFF";
  PutLe(out, static_cast<uint32_t>(12 + smf.size()), 4);
  out += "RMIDdata";
  PutLe(out, data_size ? data_size : static_cast<uint32_t>(smf.size()), 4);
  return out + smf;
}

// Wave files: a "fmt " chunk and the chunks around it.
struct WaveChunk {
  std::string id, data;
};

// The "fmt " chunk's data: format tag, channels, rate, bits; the block is a
// frame of whole samples.
inline std::string WaveFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  std::string out;
  PutLe(out, tag, 2);
  PutLe(out, channels, 2);
  PutLe(out, rate, 4);
  PutLe(out, rate * channels * bits / 8, 4);
  PutLe(out, static_cast<uint32_t>(channels * bits / 8), 2);
  PutLe(out, bits, 2);
  return out;
}

// A RIFF file of the chunks in order (odd ones padded), with the RIFF size
// given or true.
inline std::string Riff(const std::vector<WaveChunk>& chunks, uint32_t riff_size = 0) {
  std::string body = "WAVE";
  for (const WaveChunk& chunk : chunks) {
    body += chunk.id;
    PutLe(body, static_cast<uint32_t>(chunk.data.size()), 4);
    body += chunk.data;
    if (chunk.data.size() % 2 == 1) body += '\0';
  }
  std::string out = "RIFF";
  PutLe(out, riff_size ? riff_size : static_cast<uint32_t>(body.size()), 4);
  return out + body;
}

// A sine tone at half scale, as values in -1..1 for each frame.
inline std::vector<double> Tone(double hz, double seconds, uint32_t rate) {
  std::vector<double> out(static_cast<std::size_t>(rate * seconds));
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = 0.5 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate);
  return out;
}

// The tone as PCM samples: 8-bit unsigned, 16-bit signed or 32-bit float,
// the same in every channel.
inline std::string PcmSamples(const std::vector<double>& tone, int bits, int channels = 1) {
  std::string out;
  for (double v : tone)
    for (int c = 0; c < channels; ++c) {
      if (bits == 8) {
        out += static_cast<char>(static_cast<uint8_t>(std::lround(128 + 127 * v)));
      } else if (bits == 16) {
        PutLe(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(32767 * v))), 2);
      } else {
        float f = static_cast<float>(v);
        uint32_t u;
        std::memcpy(&u, &f, 4);
        PutLe(out, u, 4);
      }
    }
  return out;
}

// A mono 16-bit sine tone at 22.05 kHz.
inline std::string Wave(double hz, double seconds) {
  return Riff({{"fmt ", WaveFormat(1, 1, 22050, 16)}, {"data", PcmSamples(Tone(hz, seconds, 22050), 16)}});
}

}  // namespace nurumo::testing
