// What differs between the machines the SDL platform runs on, beyond the
// faces (fonts.h) and the music (rendered_music.h). The desktop's
// answers are in machine.cpp, the web page's in web/machine.cpp.
#pragma once

namespace nurumo {

// Whether a hidden window may be ended with no quit to follow (a browser
// tab closed): the platform then tells the shell, which keeps what a
// close would keep.
bool HidingMayEnd();

// Waits up to `ms` for an SDL event, leaving it in the queue.
void WaitForSdlEvent(int ms);

}  // namespace nurumo
