#include "platform/rendered_music.h"

namespace nurumo {

std::filesystem::path RenderedMusic(const std::filesystem::path&) { return {}; }  // the desktop synthesizes

}  // namespace nurumo
