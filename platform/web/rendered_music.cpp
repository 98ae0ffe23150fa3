// The page's music: scripts/web renders every MIDI piece of the game folder
// to OGG Vorbis beside it ("name.mid" -> "name.mid.ogg"), looping exactly at
// the piece's end (platform/web/render-music).
#include <sys/stat.h>

#include <iostream>

#include "platform/rendered_music.h"

namespace nurumo {

std::filesystem::path RenderedMusic(const std::filesystem::path& midi) {
  std::filesystem::path rendered = midi;
  rendered += ".ogg";
  struct stat info {};
  if (::stat(rendered.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return rendered;
  static bool said = false;  // once: the rest of the music falls back the same way
  if (!said) {
    said = true;
    std::cerr << "nurumo: " << midi.string()
              << " was not rendered for the page; MIDI without a rendering plays through SDL2_mixer's own "
                 "MIDI player\n";
  }
  return {};
}

}  // namespace nurumo
