// SDL2_mixer devices: how they find a soundfont. The factories are in
// platform/devices.h; the end of the music is posted as the event of
// platform/sdl/sdl_events.h. No SDL type here.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace nurumo {

// Where General MIDI soundfonts are installed, best first.
inline constexpr std::array<std::string_view, 3> kInstalledSoundFonts = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// The soundfont list to hand to the synthesizer (paths joined by ';'): the
// existing files among `env` (the SDL_SOUNDFONTS variable, ';'-separated;
// nullptr or empty when unset) when it names any, else the first existing
// file of `installed`. Empty when none exists. `problem` gets one line
// (UTF-8) whenever something asked for was not found.
std::string FindSoundFonts(const char* env, std::span<const std::string_view> installed,
                           std::string& problem);

}  // namespace nurumo
