// Placeholder; the SDL2_mixer devices land with the sound work.
#include "platform/devices.h"

namespace nurumo {

std::unique_ptr<MusicDevice> MakeSdlMusicDevice() { return MakeNullMusicDevice(); }
std::unique_ptr<SoundDevice> MakeSdlSoundDevice() { return MakeNullSoundDevice(); }

}  // namespace nurumo
