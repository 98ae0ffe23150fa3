// Modal message boxes and the error box: traced, then shown by the platform.
#pragma once

#include <exception>
#include <string>

#include "platform/platform.h"

namespace nurumo {

struct Game;

void ShowMessage(Game& game, const std::string& caption_cp932, const std::string& text_cp932,
                 BoxIcon icon);

// The error box: error icon, OK, caption "ぬるも。", the error's own text
// (GameError) or its message (anything else).
void ShowError(Game& game, const std::exception& error);

// Set the window caption (traced).
void SetCaption(Game& game, const std::string& cp932);

// Ask the application to end; takes effect when the current pump pass ends.
void RequestTerminate(Game& game);

}  // namespace nurumo
