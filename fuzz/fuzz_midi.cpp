// The look into a MIDI file that decides whether the synthesizer gets it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/audio_midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)nurumo::MidiLength(nurumo::UnwrapRmid(bytes));
  return 0;
}
