// Everything the game needs from the machine, grouped by ability. The game
// sees only this header; platform/sdl and platform/headless implement it.
// No SDL type appears here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/surface.h"
#include "platform/files.h"

namespace nurumo {

struct Colour {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Colour&) const = default;
};
inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kWhite{255, 255, 255};

// A font is given by size and style only; the face is the platform's
// Japanese proportional gothic. Points are at 96 dots per inch (12 pt = 16 px).
struct FontSpec {
  int size_pt = 12;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// How text becomes pixels: the face's own bitmaps where it has them (else
// as sharp), one-bit hinted outlines, or anti-aliased outlines.
enum class TextRendering { Bitmap, Sharp, Smooth };
inline constexpr TextRendering kDefaultTextRendering = TextRendering::Bitmap;

// Text rasteriser: draws CP932 text into a 24-bit surface, the text cell's
// top-left corner at (x, y), clipped to the surface.
class TextRasterizer {
 public:
  virtual ~TextRasterizer() = default;
  // brush == nullptr: a clear brush, only the glyphs are drawn. Otherwise an
  // opaque box of that colour is filled behind the text first.
  virtual void Draw(Surface& target, int x, int y, std::string_view cp932, const FontSpec& font,
                    Colour colour, const Colour* brush) = 0;
  // Width in pixels of the text's cell.
  virtual int MeasureWidth(std::string_view cp932, const FontSpec& font) = 0;
};

// The music device: the operations the MIDI module relies on, one piece of
// music open at a time (an MCI device under one alias).
class MusicDevice {
 public:
  virtual ~MusicDevice() = default;
  virtual bool Open(const std::filesystem::path& file) = 0;  // closes whatever was open
  virtual void Play() = 0;           // from the current position; notifies at the end
  virtual void PlayFromStart() = 0;  // from 0; notifies at the end
  // "playing" or "stopped" while a piece is open; "" when nothing is open.
  virtual std::string Mode() = 0;
  virtual void Close() = 0;
  // A hint that the piece is to be played again from the start each time it
  // ends, so a device can loop it by itself without a gap. Such a device need
  // not notify at the loop points: the notification would find the piece
  // "playing" and do nothing.
  virtual void SetLoopHint(bool) {}
  virtual void SetVolume(int) {}  // 0..10; a silent device ignores it
};

// The sound-effect device: one sound at a time; a new one replaces the old.
class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  virtual void Play(const std::filesystem::path& file, bool loop) = 0;  // missing file: silence
  virtual void Stop() = 0;
  virtual void SetVolume(int) {}  // 0..10; a silent device ignores it
};

enum class BoxIcon { Error, Information };

// A game controller's buttons, as the shell maps them to keys.
enum class PadButton { A, B, X, Y, Up, Down, Start, Left, Right, Other };

inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 3;

struct InputEvent {
  // Hidden: the window was hidden where that may be the last the program
  // hears before it is ended without a Quit (a browser's tab); sent only on
  // such machines (HidingMayEnd in platform/machine.h).
  enum class Kind { Key, Quit, MusicNotify, Click, Wheel, Pad, Hidden };
  Kind kind = Kind::Key;
  int vk = 0;      // Key: the virtual key code; Pad: a PadButton
  int button = 0;  // Click: kLeftButton or kRightButton; Wheel: notches, positive away from the player
  int x = 0;       // Click: in the 416 x 256 picture's pixels
  int y = 0;
};

// Virtual key codes the game reacts to.
namespace vk {
inline constexpr int kBackspace = 8;  // the shell's: rollback
inline constexpr int kEnter = 13;
inline constexpr int kAlt = 18;
inline constexpr int kEscape = 27;  // the shell's: the menu
inline constexpr int kSpace = 32;
inline constexpr int kLeft = 37;  // the menu's settings
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kDelete = 46;  // the menu's: delete a slot
inline constexpr int kN = 78;
inline constexpr int kX = 88;
inline constexpr int kY = 89;
inline constexpr int kF5 = 116;  // the shell's: quick save
inline constexpr int kF9 = 120;  // the shell's: quick load
inline constexpr int kF10 = 121;
}  // namespace vk

class Platform {
 public:
  virtual ~Platform() = default;

  // time: a wrapping 32-bit millisecond clock
  virtual uint32_t Now() = 0;
  // Sleep until input arrives or the clock reaches `until` (the SDL build
  // waits; the headless build moves its virtual clock).
  virtual void WaitForEvents(uint32_t until) = 0;

  // events: the next pending input, false when none is pending
  virtual bool PollEvent(InputEvent& event) = 0;

  // window
  virtual void Present(const Surface& frame) = 0;                  // the whole 416 x 256 frame
  virtual void PresentColumn(const Surface& frame, int x, int w) = 0;  // columns x..x+w-1 only
  virtual void SetCaption(const std::string& cp932) = 0;

  // dialogs: modal, OK only; the headless build answers at once
  virtual void MessageBox(const std::string& caption_cp932, const std::string& text_cp932,
                          BoxIcon icon) = 0;

  // diagnostics: one line (UTF-8) for whoever started the program, on
  // standard error; the player sees boxes, not these
  virtual void Note(const std::string& utf8_line) = 0;

  // pictures: a BMP file as a 24-bit surface; false with a reason (UTF-8)
  virtual bool LoadBmp(const std::filesystem::path& file, Surface& out, std::string& error) = 0;

  virtual TextRasterizer& Text() = 0;
  // Chooses how the text of later draws is rendered.
  virtual void SetTextRendering(TextRendering) {}
  virtual MusicDevice& Music() = 0;
  virtual SoundDevice& Sound() = 0;
  virtual FileSystem& Files() = 0;

  // The window's size and full screen, which the menu's settings change
  // while the game runs. A platform without a window has scale 1 only.
  virtual int Scale() { return 1; }
  virtual int MaxScale() { return 1; }
  virtual void SetScale(int) {}
  virtual bool Fullscreen() { return false; }
  virtual void SetFullscreen(bool) {}
};

}  // namespace nurumo
