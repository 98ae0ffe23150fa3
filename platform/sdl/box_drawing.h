// The message box as the window draws it over the current frame: a caption
// bar, an icon, the text lines and an OK button. Drawn with the game's own
// text rasteriser so Japanese shows.
#pragma once

#include <string>

#include "core/surface.h"
#include "platform/platform.h"

namespace nurumo {

// Draws the box centred on `canvas`. `text` may be null (no font): the frame
// is drawn without letters.
void DrawMessageBox(Surface& canvas, TextRasterizer* text, const std::string& caption_cp932,
                    const std::string& text_cp932, BoxIcon icon);

}  // namespace nurumo
