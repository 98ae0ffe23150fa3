// The seven named screen effects. Each routine repaints the whole frame;
// random numbers are drawn in a fixed order so replays stay exact.
#include "gfx/effects.h"

#include "core/serializer.h"

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <new>
#include <string_view>

#include "core/text.h"
#include "game/game.h"
#include "gfx/picture_size.h"

namespace nurumo {

namespace {

struct EffectRow {
  std::string_view name;  // compared exactly, letter case counts
  EffectKind kind;
  bool light;  // the routine leaves a light picture: dark text, plain panel and cursor
};

constexpr std::array<EffectRow, 7> kEffects = {{
    {"NONE", EffectKind::None, true},
    {"NOISE", EffectKind::Noise, true},
    {"NORMAL", EffectKind::Normal, true},
    {"INVERT", EffectKind::Invert, false},
    {"DARKNESS", EffectKind::Darkness, false},
    {"ASTITLE", EffectKind::AsTitle, true},
    {"ENDING", EffectKind::Ending, false},
}};

constexpr int kSpots = 20;
constexpr int kDots = 800;

void SetPixel(Surface& s, int x, int y, const Bgr& colour) {
  uint8_t* p = s.Row(y) + 3 * x;
  p[0] = colour[0];
  p[1] = colour[1];
  p[2] = colour[2];
}

// One light spot: the red byte plus the table value, clamped, written grey.
void AddSpot(Game& game, int left, int top) {
  Surface& frame = game.gfx.FrameSurface;
  for (int dx = 0; dx < 63; ++dx)
    for (int dy = 0; dy < 63; ++dy) {
      uint8_t* p = frame.Row(top + dy) + 3 * (left + dx);
      int sum = std::min(255, p[2] + game.gfx.SpotTable[dx][dy]);
      p[0] = p[1] = p[2] = static_cast<uint8_t>(sum);
    }
}

// libjpeg reports a fatal error through error_exit, which must not return:
// we jump back to the decoder's caller with the decoder's own message.
struct JpegError {
  jpeg_error_mgr mgr;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ExitToCaller(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  error->mgr.format_message(info, error->message);
  std::longjmp(error->jump, 1);
}

// Warnings (stray bytes, a short file) are not fatal: the decoder fills in
// what is missing, and nothing is written to the standard error.
void IgnoreMessage(j_common_ptr, int) {}

// A progressive picture is read scan by scan over all of its coefficients.
// Encoders write a dozen scans; a file of thousands of tiny ones would keep
// the decoder busy for minutes, so it is stopped as a decoder error.
constexpr int kMaxScans = 500;

void LimitScans(j_common_ptr info) {
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number <= kMaxScans) return;
  auto* error = reinterpret_cast<JpegError*>(info->err);
  std::snprintf(error->message, JMSG_LENGTH_MAX, "more than %d scans", kMaxScans);
  std::longjmp(error->jump, 1);
}

enum class Decoded { Ok, Broken, TooFewRows, TooLarge, OverBudget, OutOfMemory };

// libjpeg's own memory (a progressive picture keeps all its coefficients):
// enough for the largest picture the game takes, and a limit it reports as
// an error instead of growing past it.
constexpr long kJpegMemory = 128L << 20;

// Ink in four channels to light in three, the way picture viewers show it:
// each colour's light times the light the black ink leaves. Adobe's files
// (those with its marker) store every channel inverted, as light already.
void CmykRowToBgr(const JSAMPLE* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    auto light = [&](int i) { return inverted ? cmyk[i] : 255 - cmyk[i]; };
    const int k = light(3);
    for (int c = 0; c < 3; ++c) bgr[2 - c] = static_cast<uint8_t>((light(c) * k + 127) / 255);
  }
}

// Decode into `out`, at least 416 wide (missing columns black). The header's
// size is checked before anything is decoded; `claim` gets it. Only plain C
// data lives in this frame between setjmp and longjmp, and every way out
// destroys the decoder; the CMYK row belongs to the decoder's own memory,
// freed with it.
Decoded DecodeJpeg(const std::string& bytes, Surface& out, char* message, PictureClaim& claim, uint64_t budget) {
  jpeg_decompress_struct info{};
  JpegError error{};
  info.err = jpeg_std_error(&error.mgr);
  error.mgr.error_exit = ExitToCaller;
  error.mgr.emit_message = IgnoreMessage;
  if (setjmp(error.jump)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", error.message);
    jpeg_destroy_decompress(&info);
    return Decoded::Broken;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kJpegMemory;
  error.progress.progress_monitor = LimitScans;
  info.progress = &error.progress;
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  claim = {info.image_width, info.image_height};
  if (PictureTooLarge(claim.width, claim.height)) {
    jpeg_destroy_decompress(&info);
    return Decoded::TooLarge;
  }
  if (PictureBytes(std::max<int64_t>(claim.width, kScreenWidth), claim.height) > budget) {
    jpeg_destroy_decompress(&info);
    return Decoded::OverBudget;
  }
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;  // BGR is our pixel order, straight from the decoder
  jpeg_start_decompress(&info);
  if (info.output_height < static_cast<JDIMENSION>(kScreenHeight)) {
    jpeg_destroy_decompress(&info);
    return Decoded::TooFewRows;
  }
  try {
    ResizeSurface(out, std::max(static_cast<int>(info.output_width), kScreenWidth),
                  static_cast<int>(info.output_height));
  } catch (const std::bad_alloc&) {
    jpeg_destroy_decompress(&info);
    return Decoded::OutOfMemory;
  }
  JSAMPARRAY cmyk_row =
      cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.output_width * 4, 1)
           : nullptr;
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.Row(static_cast<int>(info.output_scanline));
    if (!cmyk) {
      jpeg_read_scanlines(&info, &row, 1);
    } else if (jpeg_read_scanlines(&info, cmyk_row, 1) == 1) {
      CmykRowToBgr(cmyk_row[0], row, info.output_width, info.saw_Adobe_marker);
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return Decoded::Ok;
}

// The lower part, where page text stands, is darkened: a ramp from full to
// half over rows 128..179, then half.
void DarkenLowerPart(Surface& picture) {
  for (int y = 128; y < kScreenHeight; ++y) {
    uint8_t* p = picture.Row(y);
    for (int i = 0; i < 3 * kScreenWidth; ++i)
      p[i] = static_cast<uint8_t>(y < 180 ? p[i] * (230 - y) / 102 : p[i] >> 1);
  }
}

}  // namespace

void PrepareEndingPicture(Game& game) {
  const std::string path = "dat\\ending.jpg";
  std::string bytes, reason;
  if (!game.platform.Files().ReadAll(path, bytes, reason)) {
    std::string reason_cp932;
    if (!TryUtf8ToCp932(reason, reason_cp932)) reason_cp932.assign(1, '?');
    throw FileError(path + ": " + reason_cp932);
  }
  Surface picture;
  char message[JMSG_LENGTH_MAX] = {};
  PictureClaim claim;
  // The ending picture takes the place of the one before it: it is counted
  // with the start-up's pictures alone.
  const uint64_t budget = kPictureBudget - std::min(kPictureBudget, game.gfx.PictureBytes);
  switch (DecodeJpeg(bytes, picture, message, claim, budget)) {
    case Decoded::Broken: throw FileError(path + ": " + message);
    case Decoded::TooFewRows: throw RangeError();
    case Decoded::TooLarge: throw FileError(PictureTooLargeText(path, claim.width, claim.height));
    case Decoded::OverBudget: throw FileError(PicturesOverBudgetText(path, claim.width, claim.height));
    case Decoded::OutOfMemory: throw FileError(path + Sjis(": メモリが足りません"));
    case Decoded::Ok: break;
  }
  DarkenLowerPart(picture);
  game.gfx.SpareSurface = std::move(picture);  // only a good picture replaces the old contents
  MakeRowTable(game.gfx.SpareSurface);
}

void SetEffect(Game& game, const std::string& name) {
  game.record.EffectName.assign(name);  // kept for the save file, cut to 16 bytes
  game.trace.Event("effect").Str("name", name);
  for (const EffectRow& row : kEffects) {
    if (row.name != name) continue;
    if (row.kind == EffectKind::Ending) {
      PrepareEndingPicture(game);  // a failure leaves the previous effect in force
      game.effect.FadeStep = 0;
    }
    game.effect.EffectRoutine = row.kind;
    game.effect.LightScreen = row.light;
    return;
  }
}

void RunEffectRoutine(Game& game) {
  switch (game.effect.EffectRoutine) {
    case EffectKind::Unset: return;  // a stored name that matched nothing: keep the frame as it is
    case EffectKind::None: return EffectNone(game);
    case EffectKind::Noise: return EffectNoise(game);
    case EffectKind::Normal: return EffectNormal(game);
    case EffectKind::Invert: return EffectInvert(game);
    case EffectKind::Darkness: return EffectDarkness(game);
    case EffectKind::AsTitle: return EffectAsTitle(game);
    case EffectKind::Ending: return EffectEnding(game);
  }
}

void EffectNone(Game& game) { CopySurface(game.gfx.FrameSurface, WhiteSurface(game), Rop::SrcCopy); }

void EffectNoise(Game& game) {
  Surface& frame = game.gfx.FrameSurface;
  for (int y = 0; y < kScreenHeight; ++y) {
    uint8_t* p = frame.Row(y);
    for (int x = 0; x < kScreenWidth; ++x, p += 3) {
      uint8_t grey = game.gfx.GreyLevels[static_cast<std::size_t>(8 - game.random(3))][0];
      p[0] = p[1] = p[2] = grey;  // 255, 223 or 191
    }
  }
  CopySurface(frame, game.gfx.StageSurface, Rop::SrcAnd);
}

// Extra passes AND the stage shifted right by 1 or 2 pixels, darkening
// vertical edges.
void EffectNormal(Game& game) {
  CopySurface(game.gfx.FrameSurface, WhiteSurface(game), Rop::SrcCopy);
  int passes = game.random(3);
  for (int i = 0; i <= passes; ++i)
    BitBlt(game.gfx.FrameSurface, i, 0, kScreenWidth - i, kScreenHeight, game.gfx.StageSurface, 0, 0, Rop::SrcAnd);
}

void EffectInvert(Game& game) {
  EffectNormal(game);
  CopySurface(game.gfx.FrameSurface, game.gfx.FrameSurface, Rop::NotSrcCopy);
}

// Spot centres lie within 12 pixels of the screen centre (208, 128).
void EffectDarkness(Game& game) {
  CopySurface(game.gfx.FrameSurface, BlackSurface(game), Rop::SrcCopy);
  for (int i = 0; i < kSpots; ++i) {
    int left = 165 + game.random(25);
    int top = 85 + game.random(25);
    AddSpot(game, left, top);
  }
}

void EffectAsTitle(Game& game) {
  CopySurface(game.gfx.FrameSurface, game.gfx.StageSurface, Rop::SrcCopy);
  AsTitleDots(game);
}

// Early dots crowd the left edge, later ones spread over the whole width.
void AsTitleDots(Game& game) {
  Surface& frame = game.gfx.FrameSurface;
  for (int i = 1; i <= kDots; ++i) {
    int y = game.random(kScreenHeight);
    int x = game.random(kScreenWidth) * i / kDots;
    SetPixel(frame, x, y, game.gfx.DotColour);
  }
  if (game.random(5) == 0) {
    int x = game.random(kScreenWidth);
    for (int y = 0; y < kScreenHeight; ++y) SetPixel(frame, x, y, game.gfx.DotColour);
  }
}

void EffectEnding(Game& game) {
  EffectMode& mode = game.effect;
  if (mode.FadeStep >= 128) {
    CopySurface(game.gfx.FrameSurface, game.gfx.SpareSurface, Rop::SrcCopy);
    return;
  }
  auto step = static_cast<unsigned>(std::max(mode.FadeStep, 0));
  for (int y = 0; y < kScreenHeight; ++y) {
    const uint8_t* src = game.gfx.SpareSurface.Row(y);
    uint8_t* dst = game.gfx.FrameSurface.Row(y);
    for (int i = 0; i < 3 * kScreenWidth; ++i) dst[i] = static_cast<uint8_t>((src[i] * step) >> 7);
  }
  ++mode.FadeStep;
}

void Sync(Serializer& s, EffectMode& mode) {
  auto routine = static_cast<int32_t>(mode.EffectRoutine);
  SyncInRange(s, routine, static_cast<int32_t>(EffectKind::Unset), static_cast<int32_t>(EffectKind::Ending),
              "the effect");
  mode.EffectRoutine = static_cast<EffectKind>(routine);
  s.Sync(mode.LightScreen);
  s.Sync(mode.FadeStep);
}

}  // namespace nurumo
