// Music rendered ahead of time. Where a machine cannot synthesize MIDI (the
// web page), its build renders each piece to audio beside the MIDI file and
// the music device plays that in its place.
#pragma once

#include <filesystem>

namespace nurumo {

// The rendered audio that stands for a MIDI file, or an empty path where
// there is none (always, on the desktop: it synthesizes).
std::filesystem::path RenderedMusic(const std::filesystem::path& midi);

}  // namespace nurumo
