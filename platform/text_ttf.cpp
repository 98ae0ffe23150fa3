// Placeholder; the SDL2_ttf rasteriser lands with the pictures work.
#include "platform/devices.h"

namespace nurumo {

namespace {
class NoText : public TextRasterizer {
 public:
  void Draw(Surface&, int, int, std::string_view, const FontSpec&, Colour, const Colour*) override {}
  int MeasureWidth(std::string_view, const FontSpec&) override { return 0; }
};
}  // namespace

std::unique_ptr<TextRasterizer> MakeTtfTextRasterizer() { return std::make_unique<NoText>(); }

}  // namespace nurumo
