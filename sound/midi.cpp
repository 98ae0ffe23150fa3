// Placeholder bodies; music lands with the sound work.
#include "sound/midi.h"

#include "game/game.h"

namespace nurumo {

void InitMidi(Game&) {}
void DoneMidi(Game&) {}
void PlayMidi(Game&, const std::string&, bool) {}
void StopMidi(Game&) {}
void OnMciNotify(Game&) {}

}  // namespace nurumo
