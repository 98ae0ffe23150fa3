// Factories for the platform's parts that both platforms share or choose
// between. Implemented beside them; no SDL type appears here.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace nurumo {

// SDL2_ttf with a Japanese proportional gothic face found through fontconfig
// (and, for TextRendering::Bitmap, the Mona face's bitmaps; without them it
// says so once on standard error and draws as Sharp). Throws
// std::runtime_error (UTF-8 text) when no Japanese face is installed.
std::unique_ptr<TextRasterizer> MakeTtfTextRasterizer(TextRendering rendering);

// SDL2_mixer devices. When no audio device or soundfont can be had they play
// silence and say why once on standard error.
std::unique_ptr<MusicDevice> MakeSdlMusicDevice();
std::unique_ptr<SoundDevice> MakeSdlSoundDevice();
// While nothing plays, closes their audio device, so that its thread sleeps;
// the next sound or piece opens it again before it starts.
void RestIdleAudio();

// Silent devices for the headless mode: they keep the device's state (a
// music piece open, playing) but open no audio device.
std::unique_ptr<MusicDevice> MakeNullMusicDevice();
std::unique_ptr<SoundDevice> MakeNullSoundDevice();

}  // namespace nurumo
