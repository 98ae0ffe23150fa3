// The game's own SDL event: "the music has ended". Safe to post from the
// audio thread; the window turns it into InputEvent::Kind::MusicNotify.
#pragma once

#include <cstdint>

namespace nurumo {

// The registered SDL event type (registered on first use).
uint32_t MusicNotifyEventType();

// Queue a music notification for the game thread.
void PostMusicNotify();

}  // namespace nurumo
