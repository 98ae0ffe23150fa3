// SDL key codes to the virtual key codes the game's key table speaks.
#pragma once

#include <cstdint>

namespace nurumo {

// The virtual key code of an SDL key code, or 0 for a key the game ignores.
// Letters come out as upper case whatever the shift state.
int VirtualKeyFromSdl(int32_t sdl_keycode);

}  // namespace nurumo
