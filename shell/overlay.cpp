#include "shell/overlay.h"

namespace nurumo {

void OverlayPlatform::Present(const Surface& frame) {
  if (!decoration_) return real_.Present(frame);
  composed_ = frame;
  decoration_(composed_);
  real_.Present(composed_);
}

// A moved cursor is shown with the notice still over it: the whole picture.
void OverlayPlatform::PresentColumn(const Surface& frame, int x, int w) {
  if (!decoration_) return real_.PresentColumn(frame, x, w);
  Present(frame);
}

}  // namespace nurumo
