// The look into a MIDI file that decides what the synthesizer gets: the
// repair, and the promise that what it gives out needs no further repair.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/outcome.h"
#include "platform/audio_midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const nurumo::RepairedMidi midi = nurumo::RepairMidi(bytes);
  if (!midi.smf.empty() && !nurumo::MidiLength(midi.smf)) std::abort();  // a repair that needs repairing
  if (midi.smf.empty()) nurumo::fuzz::Refuse("the music cannot be played");
  else if (midi.length == 0) nurumo::fuzz::Refuse("the music is empty");
  (void)nurumo::MidiLength(nurumo::UnwrapRmid(bytes));
  return 0;
}
