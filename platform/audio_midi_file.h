// A look inside a MIDI file before the synthesizer gets it. FluidSynth takes
// any bytes and, asked to loop a piece it cannot read or one that lasts no
// time, spins inside the audio callback forever. Files written by the tools
// of old are often sloppy (a track without its End of Track, a chunk length
// past the end of the file), and the players of their day played them to
// their last event: what can be repaired is repaired in memory, and only what
// no repair makes playable is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace nurumo {

// Far more than any piece of music needs; a larger file is refused unread.
constexpr std::size_t kLargestMidiFile = std::size_t{16} << 20;

// A file name that says MIDI: .mid, .midi or .rmi, in any case.
bool IsMidiName(const std::filesystem::path& file);

// The Standard MIDI File inside a RIFF "RMID" wrapper (its data chunk cut to
// the bytes there are); other bytes as they are.
std::string_view UnwrapRmid(std::string_view bytes);

struct RepairedMidi {
  std::string smf;           // what the synthesizer gets; empty when refused
  uint64_t length = 0;       // in ticks: the end of the longest track
  bool repaired = false;     // false: `smf` is the file's own bytes, unchanged
  std::string_view problem;  // why the file cannot be played; empty when it can
};

// Checks a MIDI file (a Standard MIDI File, bare or in an RMID wrapper) the
// way FluidSynth will read it and repairs what it would stumble over: a track
// without End of Track ends after its last complete event; a chunk length is
// cut to the bytes there are; bytes after the last chunk are left out; events
// FluidSynth cannot read are dropped (their time kept); running status after
// a meta or system exclusive event is spelled out; the header counts the
// tracks there are. A file that needs none of that comes out byte for byte.
// What comes out is never more than a few times the size of what went in.
RepairedMidi RepairMidi(std::string_view file_bytes);

// Length in ticks of a Standard MIDI File that needs no repair; nullopt for
// any other bytes. Whatever RepairMidi gives out needs none.
std::optional<uint64_t> MidiLength(std::string_view smf);

}  // namespace nurumo
