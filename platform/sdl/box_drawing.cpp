#include "platform/sdl/box_drawing.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/text.h"
#include "gfx/raster.h"

namespace nurumo {

namespace {

constexpr FontSpec kBoxFont{9};  // 12 pixels, the window's own font size
constexpr int kLineHeight = 16;
constexpr int kPadding = 10;
constexpr int kTitleHeight = 18;
constexpr int kIconSize = 24;
constexpr Colour kFace{240, 240, 240};
constexpr Colour kEdge{64, 64, 64};
constexpr Colour kTitleBar{40, 60, 120};

// A filled w x h box with its top-left corner at (x, y), clipped to the surface.
void Fill(Surface& s, int x, int y, int w, int h, Colour c) { FillRect(s, x, y, x + w, y + h, c); }

void Frame(Surface& s, int x, int y, int w, int h, Colour c) {
  Fill(s, x, y, w, 1, c);
  Fill(s, x, y + h - 1, w, 1, c);
  Fill(s, x, y, 1, h, c);
  Fill(s, x + w - 1, y, 1, h, c);
}

// Lines as the box shows them: split at CR LF or LF.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  lines.push_back(current);
  return lines;
}

// Breaks lines wider than `width` between characters, so a long message
// (a path, a library's reason) stays inside the box.
std::vector<std::string> Wrap(const std::vector<std::string>& lines, TextRasterizer& text, int width) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    std::string current;
    for (std::size_t i = 0; i < line.size();) {
      const std::size_t n = CharLength(line, i);
      std::string longer = current + line.substr(i, n);
      if (!current.empty() && text.MeasureWidth(longer, kBoxFont) > width) {
        out.push_back(current);
        longer = line.substr(i, n);
      }
      current = longer;
      i += n;
    }
    out.push_back(current);
  }
  return out;
}

// A red disc with a white cross, or a blue disc with a white bar and dot.
void DrawIcon(Surface& s, int x, int y, BoxIcon icon) {
  const Colour disc = icon == BoxIcon::Error ? Colour{200, 30, 30} : Colour{40, 90, 200};
  const int r = kIconSize / 2;
  for (int dy = -r; dy < r; ++dy)
    for (int dx = -r; dx < r; ++dx)
      if (dx * dx + dy * dy < r * r) Fill(s, x + r + dx, y + r + dy, 1, 1, disc);
  if (icon == BoxIcon::Error) {
    for (int i = -6; i <= 6; ++i) {
      Fill(s, x + r + i - 1, y + r + i - 1, 3, 3, kWhite);
      Fill(s, x + r + i - 1, y + r - i - 1, 3, 3, kWhite);
    }
  } else {
    Fill(s, x + r - 2, y + r - 8, 4, 4, kWhite);
    Fill(s, x + r - 2, y + r - 2, 4, 10, kWhite);
  }
}

}  // namespace

void DrawMessageBox(Surface& canvas, TextRasterizer* text, const std::string& caption_cp932,
                    const std::string& text_cp932, BoxIcon icon) {
  std::vector<std::string> lines = SplitLines(text_cp932);
  int text_width = 120;
  const int widest = canvas.width - 8 - kIconSize - 3 * kPadding;
  if (text) {
    lines = Wrap(lines, *text, widest);
    for (const std::string& line : lines) text_width = std::max(text_width, text->MeasureWidth(line, kBoxFont));
    text_width = std::max(text_width, text->MeasureWidth(caption_cp932, kBoxFont) - kIconSize);
  }
  const int count = static_cast<int>(lines.size());
  const int width = std::min(canvas.width - 8, text_width + kIconSize + 3 * kPadding);
  const int body = std::max(kIconSize, count * kLineHeight);
  const int height = std::min(canvas.height - 8, kTitleHeight + body + 22 + 3 * kPadding);
  const int x = (canvas.width - width) / 2;
  const int y = (canvas.height - height) / 2;

  Fill(canvas, x, y, width, height, kFace);
  Frame(canvas, x, y, width, height, kEdge);
  Fill(canvas, x + 1, y + 1, width - 2, kTitleHeight - 1, kTitleBar);
  DrawIcon(canvas, x + kPadding, y + kTitleHeight + kPadding, icon);

  const int button_w = 60, button_h = 20;
  const int button_x = x + (width - button_w) / 2;
  const int button_y = y + height - kPadding - button_h;
  Fill(canvas, button_x, button_y, button_w, button_h, kWhite);
  Frame(canvas, button_x, button_y, button_w, button_h, kEdge);
  Frame(canvas, button_x + 2, button_y + 2, button_w - 4, button_h - 4, Colour{160, 160, 160});  // the default button

  if (!text) return;
  text->Draw(canvas, x + 4, y + 2, caption_cp932, kBoxFont, kWhite, nullptr);
  const int text_x = x + 2 * kPadding + kIconSize;
  int line_y = y + kTitleHeight + kPadding + std::max(0, (kIconSize - count * kLineHeight) / 2);
  for (const std::string& line : lines) {
    text->Draw(canvas, text_x, line_y, line, kBoxFont, kBlack, nullptr);
    line_y += kLineHeight;
  }
  const std::string ok = "OK";
  text->Draw(canvas, button_x + (button_w - text->MeasureWidth(ok, kBoxFont)) / 2, button_y + 3, ok, kBoxFont,
             kBlack, nullptr);
}

}  // namespace nurumo
