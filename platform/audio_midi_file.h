// A look inside a MIDI file before the synthesizer gets it. FluidSynth takes
// any bytes and, asked to loop a piece it cannot read or one that lasts no
// time, spins inside the audio callback forever; such a file is refused here.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace nurumo {

// The Standard MIDI File inside a RIFF "RMID" wrapper; other bytes as they are.
std::string_view UnwrapRmid(std::string_view bytes);

// Length in ticks of the longest track of a Standard MIDI File (its End of
// Track event's time); nullopt when the bytes are no well-formed one.
std::optional<uint64_t> MidiLength(std::string_view smf);

}  // namespace nurumo
